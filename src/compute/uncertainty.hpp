// The uncertainty of a computed section discharge: the relative expanded uncertainty at the
// 95 % level (coverage factor 2) by the interpolated variance estimator (IVE), and what of the
// ISO 748:2007 budget can be stated. Shown beside the results, never on the record form.
#pragma once

#include "compute/section.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

struct UncertaintyComponent {
    // Member name in JSON ("depth", "velocity", ...) and the name users read ("水深").
    std::string_view key;
    std::string_view name;
    // Relative expanded uncertainty (95 %) this component alone gives, in percent; empty when
    // it cannot be stated.
    std::optional<double> percent;
};

struct UncertaintyMethod {
    // Relative expanded uncertainty (95 %) of the section discharge, in percent; empty when
    // the method cannot be applied, and reason then says why.
    std::optional<double> percent;
    std::string reason;
    std::vector<UncertaintyComponent> components;
};

struct SectionUncertainty {
    UncertaintyMethod ive;
    UncertaintyMethod iso748;
};

// Both methods for a section read from a computed sheet.
SectionUncertainty estimateUncertainty(const MeasuredSection& section);

// A percentage as shown: one decimal ("4.8").
std::string uncertaintyPercentText(double percent);

// "不确定度（95%）：IVE 4.8%", or "不确定度（95%）：无法估算" when no method applies.
std::string uncertaintySummary(const SectionUncertainty& uncertainty);

} // namespace tarnelo
