// The window's sheet and fields read as a gauging, for the commands that work on what the
// window shows (the form, the pictures, the uncertainty view) rather than on a computation.
#pragma once

#include "checks/checks.hpp"
#include "measure/section.hpp"

#include <vector>

namespace tarnelo {

class Window;

// The section as the window's sheet shows it (typed and computed cells, 断面流量).
MeasuredSection readWindowSection(const Window& window);

// The check pass over what the window shows.
std::vector<Finding> checkWindow(const Window& window);

// The first row of a gap in the sheet's 起点距, or -1.
int firstDistanceGap(const Window& window);

} // namespace tarnelo
