// What a reviewer of a station's year checks beyond the figures themselves: a 相应水位 against
// the base gauge's readings, a stage change too large for their plain mean, and the 施测号数 of
// the year (repeats, gaps, numbers out of time order).
#pragma once

#include "station/station_gauging.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::station {

struct StationTable;

// A doubt about a gauging's stage: a short text for the row's 附注, and the full text for the
// sheet 问题 that names the figures, the threshold and its source.
struct StageDoubt {
    std::string remark;
    std::string problem;
};

// The doubts the record header raises about the gauging's 相应水位: a typed 相应水位 more than
// 2 cm from the mean of the base gauge's readings plus its gauge zero, and a change of the base
// gauge during the gauging too large to take the plain mean of its readings as 相应水位. A typed
// 相应水位 between the two readings that differs from their mean is taken to be a weighted mean
// and raises neither.
std::vector<StageDoubt> stageDoubts(const StationGauging& gauging);

// Adds text to a row's 附注, after a "；" when there is something already.
void appendRemark(std::string& remarks, std::string_view text);

// Marks the rows (ordered by time) whose 施测号数 is empty, repeated or out of time order, and
// lists the numbers missing between the smallest and the largest once, as a problem of the
// folder the rows came from.
void checkNumbering(StationTable& table);

} // namespace tarnelo::station
