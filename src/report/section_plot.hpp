// The section picture: a computed sheet drawn as one SVG document (UTF-8, Chinese labels). The
// cross-section with its bed and water surface, every vertical, the vertical mean velocities
// and the partial discharges in percent of the section discharge with the 10 % line. The same
// input always gives the same bytes.
#pragma once

#include "checks/checks.hpp"
#include "compute/compute.hpp"
#include "drawing/drawing.hpp"
#include "files/record_header.hpp"
#include "measure/section.hpp"
#include "uncertainty/uncertainty.hpp"

#include <functional>
#include <optional>
#include <span>
#include <string>

namespace tarnelo {

// Asked between the parts of a drawing (and between the bars of a long one): once it says yes
// the drawing ends early, with what is drawn so far. Empty: never stopped.
using StopAsked = std::function<bool()>;

struct SectionPlotTitle {
    // 测站名称 and 施测时间 of the record header; empty when it has none.
    std::string station;
    std::string date;
};

// The picture of a section, as a drawing and as its SVG document. A section without a computed
// result is drawn as its profile only. Cells a finding points at are drawn in the warning colour:
// the vertical of their row, or the bar of a partial whose 部分流量 is marked.
drawing::Drawing sectionPlotDrawing(const MeasuredSection& section, const SectionPlotTitle& title,
                                    std::span<const Finding> findings,
                                    const SectionUncertainty& uncertainty,
                                    const StopAsked& stopAsked);
std::string sectionPlotSvg(const MeasuredSection& section, const SectionPlotTitle& title,
                           std::span<const Finding> findings, const SectionUncertainty& uncertainty,
                           const StopAsked& stopAsked);

// Why the section cannot be drawn (a number in a cell beyond a double's range), naming the
// cell; std::nullopt when it can. Such a section is drawn as this message alone.
std::optional<std::string> sectionPlotProblem(const MeasuredSection& section);

// The picture of a computed gauging, titled from its record header.
drawing::Drawing sectionPlotDrawing(const Gauging& gauging, const Computation& computation,
                                    std::span<const Finding> findings, const StopAsked& stopAsked);
std::string sectionPlotSvg(const Gauging& gauging, const Computation& computation,
                           std::span<const Finding> findings, const StopAsked& stopAsked);

// 测站名称 and 施测时间 of a record header.
SectionPlotTitle sectionPlotTitle(const RecordHeader& header);

// Size of the picture in pixels.
inline constexpr int kSectionPlotWidth = 960;
inline constexpr int kSectionPlotHeight = 640;

} // namespace tarnelo
