// The stage from a gauge's readings, the way the record form's paper works it out: the mean of
// the readings at the start and the end is written (平均, to the centimetre, half to even), and
// the stage (水位) is that written mean plus the gauge zero, rounded the same way. The form,
// the 实测流量成果表 and the rating all take their stage from here.
#pragma once

#include <string>
#include <string_view>

namespace tarnelo {

struct GaugeStage {
    std::string mean;  // 平均, e.g. "1.00"
    std::string stage; // 水位, e.g. "51.00"
};

// The texts are read as numbers as they stand (leading number, "" as 0); whoever calls decides
// first whether the texts are numbers at all.
GaugeStage gaugeStage(std::string_view start, std::string_view end, std::string_view zero);

} // namespace tarnelo
