#include "app/qt/settings_place.hpp"

namespace tarnelo {

std::optional<std::string> keepSettingsIn(const std::filesystem::path& programFolder,
                                          bool /*portable*/) {
    // The per-user folder of an installed program is %LOCALAPPDATA%\Tarnelo: its Data folder
    // is the user's own too.
    return keepSettingsInDataFolder(programFolder);
}

} // namespace tarnelo
