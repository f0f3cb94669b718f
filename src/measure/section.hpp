// The measured cross-section as the picture and the uncertainty read it from the sheet: the
// sounding verticals with their distances and depths, which of them carry a velocity, and after
// a computation the vertical mean velocities and the partial discharges.
#pragma once

#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// One measuring point of a velocity vertical, as the uncertainty reads it.
struct MeasuringPoint {
    // 相对: the point's depth as a fraction of the vertical's depth (0 at the surface).
    double relative = 0.6;
    // 测点流速 (m/s), computed or typed.
    double velocity = 0.0;
    // Exposure time T (s); empty in 测速模式, where it is not recorded.
    std::optional<double> seconds;
    // A surface point converted by 水面系数.
    bool surface = false;
};

struct SectionVertical {
    int row = 0;
    double distance = 0.0;
    double depth = 0.0;
    // Depth typed exactly "0".
    bool waterEdge = false;
    // N and T typed (垂线模式) or a point velocity typed (测速模式).
    bool velocityVertical = false;
    // The text of 号数 after a computation ("1", "2", ...), else the running number of the
    // velocity verticals; empty on sounding-only verticals.
    std::string number;
    // 平均流速 of the vertical, once computed.
    std::optional<double> meanVelocity;
    // The measuring points of a velocity vertical, once computed (one a row in the sheet).
    std::vector<MeasuringPoint> points;
};

// A partial between two velocity verticals, or between a water edge and the nearest one.
struct SectionPartial {
    // The row that holds its 部分流量 and the distances it spans.
    int row = 0;
    double from = 0.0;
    double to = 0.0;
    double discharge = 0.0;
};

// A cell whose number is too large for a double (it reads as an infinity).
struct UnboundedCell {
    int row = 0;
    int column = 0;
};

struct MeasuredSection {
    // Rows whose 起点距 and 水深 are both numbers, in row order.
    std::vector<SectionVertical> verticals;
    // Rows that carry a velocity but no usable distance or depth.
    std::vector<int> velocityRowsWithoutPlace;
    // After a computation: the partials, left bank first, and 断面流量.
    std::vector<SectionPartial> partials;
    std::optional<double> discharge;
    std::string dischargeText;
    double leftBank = 0.0;
    double rightBank = 0.0;
    // The first cell (row order, then column) whose number is out of a double's range; such a
    // section cannot be drawn.
    std::optional<UnboundedCell> unbounded;

    bool computed() const { return discharge.has_value(); }
    int velocityVerticalCount() const;
};

// Reads a gauging's table (typed and, after a computation, computed columns), its bank
// coefficients and the section discharge as shown (empty when not computed).
MeasuredSection readSection(const Gauging& gauging, const Table& table,
                            std::string_view dischargeText);

} // namespace tarnelo
