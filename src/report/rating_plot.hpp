// The picture of the stage–discharge relation: stage upward against discharge, each gauging
// numbered with its 95 % uncertainty bar, the fitted curve, and the verdicts of the three tests
// in a corner. One SVG document; the same input always gives the same bytes.
#pragma once

#include "report/station_workbook.hpp"

#include <string>

namespace tarnelo {

inline constexpr int kRatingPlotWidth = 960;
inline constexpr int kRatingPlotHeight = 680;

std::string ratingPlotSvg(const RatingReport& report);

} // namespace tarnelo
