#include "cli/station_input.hpp"
#include "window/program_paths.hpp"

#include "cli/text_output.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"
#include "platform/system/child_process.hpp"

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
