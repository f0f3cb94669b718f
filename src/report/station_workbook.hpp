// The station's year as workbooks: 实测流量成果表 with its sheet 问题, and the rating table
// (推流表) with the tests of the relation. Written with libxlsxwriter, then put in place by
// the atomic writer.
#pragma once

#include "station/rating.hpp"
#include "station/rating_review.hpp"
#include "station/station_table.hpp"

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace tarnelo {

// Writes the table as the yearbook prints it (A4 landscape, heading rows repeated on every
// page, 附注 the records' own 说明), the sheet 检查与不确定度 (each gauging's uncertainties and
// what the program found) and the sheet 问题.
// Gives why it failed, or std::nullopt when written.
std::optional<std::string> writeStationTableWorkbook(const station::StationTable& table,
                                                     const std::filesystem::path& file);

// The rating table for every centimetre of the gauged range, the equation, the tests and each
// gauging's deviation.
struct RatingReport {
    std::string station;
    int year = 0;
    std::vector<station::RatingPoint> points;
    station::RatingReview review;
    // The class whose precision indices the verdict applies.
    station::StationClass stationClass = station::StationClass::Second;
    // The table's problems (files left out, doubts about rows) for the sheet 问题.
    std::vector<station::TableProblem> problems;

    const station::RatingFit& fit() const { return review.fit; }
    station::RatingVerdict verdict() const {
        return station::ratingVerdict(review, points, stationClass);
    }
};

// The report of a table: its points, reviewed with the exclusions.
RatingReport ratingReport(const station::StationTable& table,
                          std::span<const station::Exclusion> exclusions, station::RatingForm form,
                          double alpha, station::StationClass stationClass);
std::optional<std::string> writeRatingWorkbook(const RatingReport& report,
                                               const std::filesystem::path& file);

// "35 个", or "35 个，参加定线 32 个" when some are left out of the fit.
std::string pointCountText(const RatingReport& report);

// "通过" or "不通过".
std::string verdictText(bool passed);

} // namespace tarnelo
