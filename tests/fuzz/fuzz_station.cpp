// A station's year from damaged raw data files: reading and computing each file, the 施测时间
// parser, the table, the fit with its tests, the rating picture and the rating table all end,
// no stage beyond the plausible reaches the table, the picture has a bounded number of labels
// and the rating table a bounded number of rows, whatever stages the files give.
//
// Input: up to eight raw data files separated by 0xFF bytes (a byte GBK never uses); the first
// line of each is also read on its own as a 施测时间. The input's length picks the form of the
// curve and the picture's axes.
#include "report/rating_plot.hpp"
#include "report/station_workbook.hpp"
#include "station/measured_time.hpp"
#include "station/rating.hpp"
#include "station/station_gauging.hpp"
#include "station/station_table.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace tarnelo;

namespace {

constexpr std::size_t kMostFiles = 8;

std::size_t count(std::string_view text, std::string_view what) {
    std::size_t found = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + 1)) {
        ++found;
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<station::StationGauging> gaugings;
    std::size_t start = 0;
    while (start <= input.size() && gaugings.size() < kMostFiles) {
        const std::size_t end = std::min(input.find('\xff', start), input.size());
        const std::string_view file = input.substr(start, end - start);
        const std::string_view firstLine = file.substr(0, file.find('\n'));
        (void)station::readMeasuredTime(firstLine);
        (void)station::readMeasuredTime(firstLine, 2024);
        gaugings.push_back(
            station::computeGauging(file, "g" + std::to_string(gaugings.size()) + ".dat"));
        start = end + 1;
    }
    const station::StationTable table = station::buildStationTable(gaugings);
    for (const auto& row : table.rows) {
        if (row.stage.metres && std::abs(*row.stage.metres) > station::kMostStage) {
            std::abort();
        }
    }
    const auto form = static_cast<station::RatingForm>(size % 3);
    const RatingReport report = ratingReport(table, {}, form, 0.10, station::StationClass::Second);
    RatingPlotOptions options;
    options.logarithmic = (size & 4) != 0;
    options.timeOrder = (size & 8) != 0;
    const std::string svg = ratingPlotSvg(report, options);
    if (count(svg, "<text") > 400) {
        std::abort();
    }
    if (report.fit().problem.empty() && !report.points.empty()) {
        double lowest = report.points.front().stage;
        double highest = lowest;
        for (const auto& p : report.points) {
            lowest = std::min(lowest, p.stage);
            highest = std::max(highest, p.stage);
        }
        const auto entries = station::ratingTable(report.fit().curve, lowest, highest, true);
        if (entries.size() > station::kMostRatingTableRows) {
            std::abort();
        }
    }
    return 0;
}
