// A station's year made up for the relation's tests: twelve gaugings along a power curve, each
// off it by a few per cent, reviewed as a second-class station would be.
#pragma once

#include "report/station_workbook.hpp"
#include "station/rating.hpp"
#include "station/rating_review.hpp"

#include <cmath>
#include <string>

namespace tarnelo::testing {

inline RatingReport twelveGaugingsOfAYear() {
    RatingReport report;
    report.station = "青石桥";
    report.year = 2024;
    for (int i = 0; i < 12; ++i) {
        const double z = 101.5 + 0.25 * i;
        const double wobble = (i % 3 == 0 ? 0.02 : i % 3 == 1 ? -0.015 : 0.0);
        report.points.push_back(station::ratingPoint(
            z, 18.6 * std::pow(z - 101.2, 1.75) * (1 + wobble), std::to_string(i + 1), 4.0));
    }
    report.review = station::reviewRating(report.points, {}, station::RatingForm::Power, 0.20);
    return report;
}

} // namespace tarnelo::testing
