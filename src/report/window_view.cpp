#include "report/window_view.hpp"

#include "sheet/sheet.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

namespace tarnelo {

MeasuredSection readWindowSection(const Window& window) {
    return readSection(gaugingOf(window), tableOf(window.sheet()), window.text(ctl::断面流量));
}

std::vector<Finding> checkWindow(const Window& window) {
    CheckOptions options;
    options.stationClass = window.stationClass();
    return checkMeasurement(gaugingOf(window), tableOf(window.sheet()), window.text(ctl::断面流量),
                            options);
}

int firstDistanceGap(const Window& window) {
    return firstDistanceGap(tableOf(window.sheet()), selectedMode(window));
}

} // namespace tarnelo
