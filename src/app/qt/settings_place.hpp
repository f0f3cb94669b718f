// Where the window's settings (its size, the last folders, the print road) and Qt's own (the
// file dialog's sidebar) are kept. A portable program folder (the build tree, an unpacked
// folder) keeps them to itself, in an INI file in its Data folder, so that a copy carried to
// another computer or user takes them along and leaves nothing behind; so does the Windows
// program everywhere, which writes nothing to the registry. An installed Linux program keeps
// them in Qt's place for the user (~/.config/Tarnelo/Tarnelo.conf).
#pragma once

#include <filesystem>

namespace tarnelo {

// Called once the program folder is known, before any setting is read. `portable` when the
// program folder is the executable's own rather than the user's.
void keepSettingsIn(const std::filesystem::path& programFolder, bool portable);

// Data/Tarnelo/Tarnelo.ini for the window, Data/QtProject.ini for Qt's dialogs.
void keepSettingsInDataFolder(const std::filesystem::path& programFolder);

} // namespace tarnelo
