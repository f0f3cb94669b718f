// The picture of the stage–discharge relation: stage upward against discharge, each gauging
// numbered with its 95 % uncertainty bar and marked rising, falling or steady, the fitted curve
// with the class's uncertainty limit as a band, and the verdict with the tests in a panel beside
// it. Labels never overlap: one that finds no free place is left out and listed under the
// picture. A drawing, and its SVG document; the same input always gives the same bytes.
#pragma once

#include "drawing/drawing.hpp"
#include "report/station_workbook.hpp"

#include <string>

namespace tarnelo {

inline constexpr int kRatingPlotWidth = 1200;
inline constexpr int kRatingPlotHeight = 760;

struct RatingPlotOptions {
    // Discharge and depth above Z₀ (stage above the lowest gauging without a power curve) on
    // logarithmic axes.
    bool logarithmic = false;
    // The gaugings joined by a thin line in the order they were made.
    bool timeOrder = false;
};

drawing::Drawing ratingPlotDrawing(const RatingReport& report,
                                   const RatingPlotOptions& options = {});
std::string ratingPlotSvg(const RatingReport& report, const RatingPlotOptions& options = {});

} // namespace tarnelo
