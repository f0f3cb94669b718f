#include "app/qt/settings_place.hpp"

#include "app/qt/qt_text.hpp"
#include "window/program_paths.hpp"

#include <QSettings>

namespace tarnelo {

void keepSettingsInDataFolder(const std::filesystem::path& programFolder) {
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       qpath(paths::dataFolder(programFolder)));
}

} // namespace tarnelo
