#include "cli/station_input.hpp"
#include "window/program_paths.hpp"

#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"
#include "platform/system/child_process.hpp"
#include "store/station_year.hpp"

#include <iostream>

namespace tarnelo::cli {

StationFiles listStationFiles(const StationArguments& arguments) {
    StationFiles listed;
    for (const auto& path : arguments.paths) {
        std::error_code error;
        const auto type = std::filesystem::status(path, error).type();
        if (type != std::filesystem::file_type::regular &&
            type != std::filesystem::file_type::directory) {
            listed.unreadableArgument = true;
        }
    }
    listed.files = station::gaugingFiles(arguments.paths, listed.listing);
    return listed;
}

bool parseThreePoint(std::string_view command, const std::string& text, ThreePointRule& rule) {
    const std::optional<ThreePointRule> named = threePointRuleNamed(text);
    if (!named) {
        std::cerr << "tarnelo-cli " << command
                  << ": --three-point 应为 3 或 4: " << terminalSafe(text) << "\n";
        return false;
    }
    rule = *named;
    return true;
}

bool interrupted() {
    return sys::interruptSignal() != 0;
}

std::optional<station::StationTable> readStationTable(StationFiles& files, std::optional<int> year,
                                                      ThreePointRule threePoint) {
    station::StationTable table =
        station::readStationTable(std::move(files.files), year, interrupted, threePoint);
    files.files.clear();
    if (interrupted()) {
        return std::nullopt;
    }
    table.problems.insert(table.problems.begin(), files.listing.begin(), files.listing.end());
    return table;
}

namespace {

// The store names each gauging by its file name alone, NAME.dat; a run given the current folder
// names the same files "./NAME.dat", and what concerns the whole year (missing 施测号数) by the
// folder they share, ".".
void inCurrentFolder(station::StationTable& table) {
    const std::filesystem::path here(".");
    for (auto& row : table.rows) {
        row.file = here / row.file;
    }
    for (auto& problem : table.problems) {
        problem.file = problem.file.extension() == ".dat" ? here / problem.file : here;
    }
}

} // namespace

int checkStationSource(std::string_view command, const StationArguments& arguments) {
    const auto refuse = [command](std::string_view why) {
        std::cerr << "tarnelo-cli " << command << ": " << why << "\n";
        return kExitUsage;
    };
    if (arguments.store && !arguments.paths.empty()) {
        return refuse("--store 与文件、文件夹只能给一种 give a store or files, not both");
    }
    if (!arguments.store && !arguments.station.empty()) {
        return refuse("--station 只用于 --store --station needs --store");
    }
    return kExitDone;
}

std::vector<std::filesystem::path> inputFiles(const StationArguments& arguments,
                                              const StationFiles& files) {
    std::vector<std::filesystem::path> inputs = files.files;
    if (arguments.store) {
        const store::Location where = store::locationOf(*arguments.store);
        if (where.engine == store::Location::Engine::SQLite) {
            inputs.push_back(paths::fromUtf8(where.text));
        }
    }
    return inputs;
}

std::optional<station::StationTable> readInputTable(std::string_view command,
                                                    const StationArguments& arguments,
                                                    StationFiles& files, int& status) {
    status = kExitIncomplete;
    if (!arguments.store) {
        return readStationTable(files, arguments.year, arguments.threePoint);
    }
    const auto fail = [&](const store::Problem& problem) {
        std::cerr << "tarnelo-cli " << command << ": " << messageLines(problem.message) << "\n";
        status = kExitUsage;
        return std::nullopt;
    };
    auto opened =
        store::Store::open(store::locationOf(*arguments.store), store::Store::Access::ReadOnly);
    if (!opened) {
        return fail(opened.problem);
    }
    store::Filter filter;
    filter.station = arguments.station;
    filter.year = arguments.year;
    auto table = store::stationYearTable(*opened.value, filter, arguments.threePoint, interrupted);
    if (interrupted()) {
        return std::nullopt;
    }
    if (!table) {
        return fail(table.problem);
    }
    inCurrentFolder(*table.value);
    status = kExitDone;
    return std::move(table.value);
}

void reportProblems(std::string_view command, const station::StationTable& table) {
    for (const auto& problem : table.problems) {
        std::cerr << "tarnelo-cli " << command << ": " << terminalSafe(paths::toUtf8(problem.file))
                  << ": " << terminalSafe(problem.reason) << "\n";
    }
}

bool parseYear(std::string_view command, const std::string& text, std::optional<int>& year) {
    if (text.size() != 4 || !num::isWholeNumber(text) || text.find('.') != std::string::npos) {
        std::cerr << "tarnelo-cli " << command
                  << ": --year 应为四位年份 expects a year: " << terminalSafe(text) << "\n";
        return false;
    }
    year = static_cast<int>(num::numberOf(text));
    return true;
}

} // namespace tarnelo::cli
