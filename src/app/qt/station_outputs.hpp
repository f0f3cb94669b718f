// Where the station's year is read from and its outputs (实测流量成果表, 推流表, 关系图) are
// written: the folder last read and the folder last written are kept in the settings, and an
// output is proposed under the station's name and year, e.g. "青石桥 2024 实测流量成果表.xlsx".
#pragma once

#include "window/window.hpp"

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo {

// Settings keys: the folder of gauging files last read into the table, and the folder the last
// output went to.
inline constexpr auto kStationFolderSetting = "station/folder";
inline constexpr auto kStationOutputSetting = "station/outputs";

// "<测站> <年份> <what>.<suffix>"; what a file name cannot hold is left out, and so is a part
// that is empty (no station, year 0).
std::string stationOutputName(std::string_view station, int year, std::string_view what,
                              std::string_view suffix);

// The folder the settings keep under key when it still exists, else `fallback`.
std::filesystem::path keptFolder(const char* key, const std::filesystem::path& fallback);
void keepFolder(const char* key, const std::filesystem::path& folder);

// Asks where to write an output of the station's year: the dialog starts in the folder of the
// last output (else the exports folder) with the proposed name; the folder chosen is kept.
FileChoice chooseStationOutput(Window& owner, const FileDialogSpec& dialog,
                               std::string_view station, int year, std::string_view what);

} // namespace tarnelo
