// What summary and rating share: the station's files read and tabled, and the points of the
// relation taken from the table.
#pragma once

#include "station/rating.hpp"
#include "station/station_table.hpp"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarnelo::cli {

struct StationArguments {
    std::vector<std::filesystem::path> paths;
    std::optional<int> year;
};

// Reads every gauging of the paths (files, or the .dat files of folders) and builds the table.
station::StationTable readStationTable(const StationArguments& arguments);

// Each problem on stderr as "tarnelo-cli NAME: FILE: reason".
void reportProblems(std::string_view command, const station::StationTable& table);

// Parses "--year Y"; false (after a message) when Y is not a year.
bool parseYear(std::string_view command, const std::string& text, std::optional<int>& year);

} // namespace tarnelo::cli
