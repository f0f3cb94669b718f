#include "cli/station_input.hpp"
#include "window/program_paths.hpp"

#include "cli/text_output.hpp"
#include "compute/numtext.hpp"

#include <iostream>

namespace tarnelo::cli {

station::StationTable readStationTable(const StationArguments& arguments) {
    std::vector<station::TableProblem> listing;
    const auto files = station::gaugingFiles(arguments.paths, listing);
    const std::vector<station::StationGauging> gaugings = station::readGaugings(files);
    station::StationTable table = station::buildStationTable(gaugings, arguments.year);
    table.problems.insert(table.problems.begin(), listing.begin(), listing.end());
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
