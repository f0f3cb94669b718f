#include "compute/gauge_stage.hpp"

#include "measure/numtext.hpp"

namespace tarnelo {

GaugeStage gaugeStage(std::string_view start, std::string_view end, std::string_view zero) {
    GaugeStage g;
    g.mean =
        num::fixedText(num::roundHalfEven((num::numberOf(start) + num::numberOf(end)) / 2, 2), 2);
    g.stage = num::fixedText(num::roundHalfEven(num::numberOf(g.mean) + num::numberOf(zero), 2), 2);
    return g;
}

} // namespace tarnelo
