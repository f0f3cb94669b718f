#include "app/qt/settings_place.hpp"

#include "app/qt/qt_text.hpp"

#include <QSettings>
#include <QStandardPaths>

namespace tarnelo {

std::optional<std::string> keepSettingsIn(const std::filesystem::path& programFolder,
                                          bool portable) {
    if (portable) {
        return keepSettingsInDataFolder(programFolder);
    }
    QSettings::setDefaultFormat(QSettings::NativeFormat);
    // Qt's own place for the user's settings, said here so that it can be checked.
    return keepSettingsInFolder(
        QSettings::NativeFormat,
        toPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
        QStringLiteral(".conf"));
}

} // namespace tarnelo
