// Where the window's settings (its size, the last folders, the print road) and Qt's own (the
// file dialog's sidebar) are kept, per system: on Windows an INI file in the program folder's
// Data folder, so that a portable copy keeps them to itself and nothing goes to the registry;
// elsewhere Qt's place for the user (~/.config/Tarnelo/Tarnelo.conf).
#pragma once

#include <filesystem>

namespace tarnelo {

// Called once the program folder is known, before any setting is read.
void keepSettingsIn(const std::filesystem::path& programFolder);

} // namespace tarnelo
