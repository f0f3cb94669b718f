// Button 计算: the window's gauging computed, and the computation shown in the window.
#pragma once

#include "checks/checks.hpp"
#include "compute/compute.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tarnelo {

class Window;
struct ComputedRun;

// What a press of 计算 did.
struct ComputeOutcome {
    enum class Status {
        Computed,   // every computed column and result was written
        Incomplete, // the input scored short; nothing was computed, message says what is missing
        Refused,    // the input cannot be computed; message is the text the window showed
        Cancelled,  // the user kept the other mode's typed cells: the window is untouched
    };
    Status status = Status::Incomplete;
    std::string message;
    // What the check pass found in the input (and in the computed partials); empty after a
    // cancel.
    std::vector<Finding> findings;
    // The computation and the input it was made of (none after a cancel): what the section
    // picture, the uncertainty and the findings show, never derived again from the sheet.
    std::shared_ptr<const ComputedRun> run;
};

// The question 计算 asks first, for the window's sheet and selected mode.
std::string modeSwitchQuestion(const Window& window);

// Asks before clearing cells typed in the other mode, computes the window's gauging, and shows
// the computation: the mode's computed columns and the results (cleared when it did not
// compute), 完成情况, 导出Excel and 打印 enabled only when it computed, a refusal in a message
// box, and the status bar's line with the count of findings.
ComputeOutcome computeCommand(Window& window);

// Writes a computation into the window: the computed columns of its mode, the results and
// 完成情况, the two form buttons and the status bar.
void showComputation(Window& window, const Computation& computation);
// The same but for the sheet: the results, 完成情况, the two form buttons and the status bar.
void showResults(Window& window, const Computation& computation);
// What a run of 计算 did, as computeCommand tells it (which also shows a refusal in a message
// box).
ComputeOutcome outcomeOf(std::shared_ptr<const ComputedRun> run);

} // namespace tarnelo
