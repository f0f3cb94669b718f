// The measured cross-section as the picture and the uncertainty read it from the sheet: the
// sounding verticals with their distances and depths, which of them carry a velocity, and after
// a computation the vertical mean velocities and the partial discharges.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarnelo {

class Window;

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

// Reads the window's sheet (typed and computed columns) and the coefficient and result fields.
MeasuredSection readSection(const Window& window);

} // namespace tarnelo
