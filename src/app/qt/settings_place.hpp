// Where the window's settings (its size, the last folders, the print road) and Qt's own (the
// file dialog's sidebar) are kept. A portable program folder (the build tree, an unpacked
// folder) keeps them to itself, in an INI file in its Data folder, so that a copy carried to
// another computer or user takes them along and leaves nothing behind; so does the Windows
// program everywhere, which writes nothing to the registry. An installed Linux program keeps
// them in Qt's place for the user (~/.config/Tarnelo/Tarnelo.conf).
#pragma once

#include <QSettings>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>

namespace tarnelo {

// Called once the program folder is known, before any setting is read. `portable` when the
// program folder is the executable's own rather than the user's. Returns what to tell the user
// when the settings cannot be read (see keepSettingsInFolder).
std::optional<std::string> keepSettingsIn(const std::filesystem::path& programFolder,
                                          bool portable);

// Data/Tarnelo/Tarnelo.ini for the window, Data/QtProject.ini for Qt's dialogs.
std::optional<std::string> keepSettingsInDataFolder(const std::filesystem::path& programFolder);

// Keeps the user's settings of format in folder. A settings file there (or the lock file Qt
// takes to write it) that is no file but a FIFO, a device or a socket would keep Qt waiting, or
// reading, for ever before the window appears: the settings are then left alone for this run,
// as an unreadable settings file is (defaults are used and nothing is saved), and the returned
// text says so, naming it.
std::optional<std::string> keepSettingsInFolder(QSettings::Format format,
                                                const std::filesystem::path& folder,
                                                const QString& extension);

} // namespace tarnelo
