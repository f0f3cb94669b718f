// Shared by the check pass's sources (checks.cpp, meter_checks.cpp, typo_checks.cpp); not for use
// outside
// src/checks.
#pragma once

#include "checks/checks.hpp"
#include "gauging/gauging.hpp"
#include "gauging/table.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::check_support {

// A threshold of a check with its source; the reasons quote the source, or say 经验值 where a
// threshold has none.
struct Threshold {
    double value;
    std::string_view source;
};

// A cell text as a reason quotes it, in “”: cut on a character boundary when it is long.
std::string quoted(std::string_view text);

// Why a typed text is not a number, and what the computation takes it for.
std::string notANumber(std::string_view text);

// "第 3 行".
std::string rowName(int row);

// The checks of the meter and of the velocity verticals: the lone point and its position, the
// surface coefficient, the meter rating, the signal counts, the starting velocity, reverse flow
// and the spacing of the verticals. Appends its findings, unsorted.
void checkMeter(const Gauging& gauging, const Table& table, const CheckOptions& options,
                std::vector<Finding>& findings);

// The velocity of a point row as the meter rating gives it before rounding; nothing where N or T
// is not above 0, a coefficient is not a number or the rating has a negative factor (those are
// findings of their own).
std::optional<double> ratedVelocity(const Gauging& gauging, const Table& table, int row);

// The checks of slipped digits: depths and point velocities far from their neighbours. Appends
// its findings, unsorted; run after the others, it passes over cells they call errors.
void checkTypos(const Gauging& gauging, const Table& table, std::vector<Finding>& findings);

} // namespace tarnelo::check_support
