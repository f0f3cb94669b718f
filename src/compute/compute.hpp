// The discharge of a gauging by the velocity-area method: one pure function of the gauging.
#pragma once

#include "checks/checks.hpp"
#include "gauging/gauging.hpp"
#include "gauging/table.hpp"
#include "measure/section.hpp"
#include "uncertainty/uncertainty.hpp"

#include <array>
#include <string>
#include <vector>

namespace tarnelo {

// Everything one computation of a gauging gives.
struct Computation {
    enum class Status {
        Computed,   // every computed column and result was written
        Incomplete, // the input scored short; nothing was computed, message says what is missing
        Refused,    // the input cannot be computed; message says why
    };
    Status status = Status::Incomplete;
    EntryMode mode = EntryMode::Vertical;
    std::string message;
    // Every row, all seventeen columns: the typed texts of the mode and, when computed, every
    // computed text as the sheet shows it.
    Table table;
    // The seven section results (empty unless computed) and what 完成情况 says.
    std::array<std::string, kResultCount> results;
    std::string completion;
    // What the check pass found in the input (and in the computed partials).
    std::vector<Finding> findings;
    // The section as the picture and the uncertainty read it, and both uncertainty estimates.
    MeasuredSection section;
    SectionUncertainty uncertainty;

    bool computed() const { return status == Status::Computed; }
    const std::string& result(std::size_t index) const { return results[index]; }
};

// What 完成情况 says after a computation whose input has errors: "有 2 处错误，结果不可用".
std::string unusableResultsText(int errors);

// Scores the completeness of the input; when it is full, computes every column and the section
// results of the gauging's mode (refusing, with a message, input that would divide by zero,
// lose a bank partial or give numbers out of range); then runs the check pass and
// estimates the uncertainty. No window, no file, no global state; never throws.
Computation compute(const Gauging& gauging, const CheckOptions& options = {});

// The status bar's text after a computation: how it ended, with the count of findings.
std::string computationStatusLine(const Computation& computation);

// The question asked before a computation clears cells typed in the other mode, or empty when
// there are none: N and T in 测速模式, typed point velocities (rows without N and T) in 垂线模式.
std::string modeSwitchQuestion(const Gauging& gauging);

} // namespace tarnelo
