// What summary and rating share: the station's files listed, read and tabled, and the points of
// the relation taken from the table.
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
    // --store STORE [--station CODE]: the station's year from a store instead of files.
    std::optional<std::string> store;
    std::string station;
    std::optional<int> year;
    // --force: replace read-only outputs.
    bool force = false;
    // --three-point 3|4: how 三点法 is weighed.
    ThreePointRule threePoint = ThreePointRule::Equal;
};

// The files of the paths (files, or the .dat files of folders), before any is read.
struct StationFiles {
    std::vector<std::filesystem::path> files;
    // Folders that could not be listed.
    std::vector<station::TableProblem> listing;
    // A path named on the command line that is missing or no file or folder (a FIFO, a device):
    // unreadable input, exit status 2, though the others are still tabled.
    bool unreadableArgument = false;
};
StationFiles listStationFiles(const StationArguments& arguments);

// Reads the gaugings of the files into the table (files.files is used up); std::nullopt when an
// interruption (Ctrl-C, a closed terminal, kill) came first: the run then writes nothing.
std::optional<station::StationTable> readStationTable(StationFiles& files, std::optional<int> year,
                                                      ThreePointRule threePoint);

// Whether the run's input is named once: files or folders, or a store (with --station only
// with a store). kExitDone, or kExitUsage after a message.
int checkStationSource(std::string_view command, const StationArguments& arguments);

// What checkOutputs takes as the run's inputs: the files, or a store's SQLite file.
std::vector<std::filesystem::path> inputFiles(const StationArguments& arguments,
                                              const StationFiles& files);

// The table of the files (readStationTable), or of the store's station and year: each gauging
// named "./NAME.dat", as a run given the current folder of the exported files names them.
// std::nullopt with the status in status: kExitIncomplete when interrupted, kExitUsage after
// the store's problem on stderr (it cannot be opened, or it holds no such station or year, or
// several and the run named none).
std::optional<station::StationTable> readInputTable(std::string_view command,
                                                    const StationArguments& arguments,
                                                    StationFiles& files, int& status);

// Whether an interruption has come: the command then stops before its next output.
bool interrupted();

// Each problem on stderr as "tarnelo-cli NAME: FILE: reason".
void reportProblems(std::string_view command, const station::StationTable& table);

// Parses "--three-point 3|4"; false (after a message) for anything else.
bool parseThreePoint(std::string_view command, const std::string& text, ThreePointRule& rule);

// Parses "--year Y"; false (after a message) when Y is not a year.
bool parseYear(std::string_view command, const std::string& text, std::optional<int>& year);

} // namespace tarnelo::cli
