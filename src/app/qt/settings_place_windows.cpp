#include "app/qt/settings_place.hpp"

#include "app/qt/qt_text.hpp"
#include "window/program_paths.hpp"

#include <QSettings>

namespace tarnelo {

void keepSettingsIn(const std::filesystem::path& programFolder) {
    // Data\Tarnelo\Tarnelo.ini for the window, Data\QtProject.ini for Qt's dialogs.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       qpath(paths::dataFolder(programFolder)));
}

} // namespace tarnelo
