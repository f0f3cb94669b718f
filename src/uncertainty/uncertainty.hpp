// The uncertainty of a computed section discharge by two methods: the interpolated variance
// estimator (IVE) and the ISO 748:2007 budget. Each gives the standard uncertainty (1σ) and the
// expanded uncertainty at the 95 % level with the coverage factor it used, its components and
// its source. Shown beside the results, never on the record form.
#pragma once

#include "measure/section.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// The systematic uncertainty of the instruments (meter rating, sounding, width), one setting for
// both methods: ISO 748:2007 uses u_s = 1.0 % (standard) in total for a rated current meter.
inline constexpr double kSystematicPercent = 1.0;
inline constexpr std::string_view kSystematicSource = "ISO 748:2007，经检定的流速仪 u_s = 1%";

struct UncertaintyComponent {
    // Member name in JSON ("depth", "velocity", ...) and the name users read ("水深").
    std::string_view key;
    std::string_view name;
    // Relative standard uncertainty (1σ) of the section discharge that this component alone
    // gives, in percent; empty when it cannot be stated (note says why).
    std::optional<double> percent;
    // A systematic term, listed apart from the random part.
    bool systematic = false;
    // Where the figure comes from, or why it is missing ("未知").
    std::string note;
};

struct UncertaintyMethod {
    // Relative expanded uncertainty (95 %) of the section discharge, in percent; empty when
    // the method cannot be applied, and reason then says why.
    std::optional<double> percent;
    // Relative standard uncertainty (1σ), in percent.
    std::optional<double> standardPercent;
    // percent = coverageFactor × standardPercent; coverage says how the factor was chosen.
    double coverageFactor = 0.0;
    std::string coverage;
    std::string source;
    std::string reason;
    // What the figure leaves out or takes from the edge of a table.
    std::vector<std::string> notes;
    // The same in a few words for the status bar ("水边不作插值点"), each a reason to read the
    // figure with care; empty when there is none.
    std::vector<std::string> caveats;
    std::vector<UncertaintyComponent> components;
};

struct SectionUncertainty {
    UncertaintyMethod ive;
    UncertaintyMethod iso748;
};

// Both methods for a section read from a computed sheet.
SectionUncertainty estimateUncertainty(const MeasuredSection& section);

// The ISO 748 budget alone (uncertainty_iso748.cpp).
UncertaintyMethod iso748Uncertainty(const MeasuredSection& section);

// Student's t at the 97.5 % point (two-sided 95 %) for the degrees of freedom (≥ 1).
double studentT975(int degreesOfFreedom);

// A percentage as shown: one decimal ("4.8").
std::string uncertaintyPercentText(double percent);

// One method in a line: "± 6.2 %（ISO 748，95%）" or "无法估算（垂线太少）".
std::string uncertaintyShort(const UncertaintyMethod& method, std::string_view name);

// "Q = 626 m³/s ± 6.2 %（ISO 748，95%）", or "Q = 626 m³/s　ISO 748 无法估算（垂线太少）".
std::string dischargeUncertainty(const UncertaintyMethod& iso748, std::string_view dischargeText);

// "IVE ± 4.1 %（95%）" or "IVE 无法估算（垂线太少）".
std::string iveUncertainty(const UncertaintyMethod& ive);

// The status bar and the plot window, the two above in a line: "Q = 626 m³/s ± 6.2 %（ISO
// 748，95%）　IVE ± 4.1 %（95%）".
std::string uncertaintySummary(const SectionUncertainty& uncertainty,
                               std::string_view dischargeText);

} // namespace tarnelo
