#include "app/qt/settings_place.hpp"

#include <QSettings>

namespace tarnelo {

void keepSettingsIn(const std::filesystem::path& programFolder, bool portable) {
    if (portable) {
        keepSettingsInDataFolder(programFolder);
    } else {
        QSettings::setDefaultFormat(QSettings::NativeFormat);
    }
}

} // namespace tarnelo
