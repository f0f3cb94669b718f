// Extreme numbers through the section picture: every drawing ends, its axes keep their fixed
// largest tick count, and no coordinate or label is "inf" or "nan".
//
// Input: a first byte of flags (bit 0: computed, with partials and a discharge), then 8-byte
// groups read as doubles (any bit pattern; those that are not finite stand for the extremes):
// distance, depth and mean velocity of each vertical, then the discharge.
#include "report/section_plot.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using namespace tarnelo;

namespace {

constexpr std::size_t kMostVerticals = 200;

// A double from eight bytes; readSection hands the picture finite numbers only.
double finite(const std::uint8_t* bytes) {
    double value = 0.0;
    std::memcpy(&value, bytes, sizeof value);
    if (std::isnan(value)) {
        return std::numeric_limits<double>::denorm_min();
    }
    if (std::isinf(value)) {
        return value > 0 ? std::numeric_limits<double>::max()
                         : std::numeric_limits<double>::lowest();
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const bool computed = (data[0] & 1) != 0;
    ++data;
    --size;
    MeasuredSection section;
    std::size_t at = 0;
    while (at + 24 <= size && section.verticals.size() < kMostVerticals) {
        SectionVertical v;
        v.row = static_cast<int>(section.verticals.size());
        v.distance = finite(data + at);
        v.depth = finite(data + at + 8);
        v.velocityVertical = (v.row % 2) == 1;
        if (computed && v.velocityVertical) {
            v.meanVelocity = finite(data + at + 16);
        }
        v.number = std::to_string(v.row);
        section.verticals.push_back(v);
        at += 24;
    }
    if (computed && at + 8 <= size) {
        section.discharge = finite(data + at);
        section.dischargeText = "1";
        for (std::size_t k = 0; k + 1 < section.verticals.size(); ++k) {
            const SectionVertical& v = section.verticals[k];
            section.partials.push_back({v.row, v.distance, section.verticals[k + 1].distance,
                                        v.depth / 2 + v.distance / 4});
        }
    }
    const std::string svg = sectionPlotSvg(section, {"站", "日期"}, {}, SectionUncertainty{}, {});
    if (svg.find("inf") != std::string::npos || svg.find("nan") != std::string::npos) {
        std::abort();
    }
    // Every axis has at most its fixed count of ticks: about 4 labels per tick of 3 axes, the
    // numbers on the verticals, the partial shares, and the fixed texts.
    std::size_t labels = 0;
    for (auto p = svg.find("<text"); p != std::string::npos; p = svg.find("<text", p + 5)) {
        ++labels;
    }
    if (labels > 4 * 25 + 2 * section.verticals.size() + 40) {
        std::abort();
    }
    return 0;
}
