// The compute command (button 计算) and the two discharge computations.
#pragma once

#include "compute/checks.hpp"

#include <string>
#include <vector>

namespace tarnelo {

class Window;

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
};

// The question asked before a computation clears cells the other mode types, or empty when
// there are none: N and T in 测速模式, typed point velocities (rows without N and T) in 垂线模式.
std::string modeSwitchQuestion(const Window& window);

// Asks before clearing cells typed in the other mode, scores the completeness of the input,
// clears the computed columns and results, runs the computation of the selected mode when the
// score is full, enables 导出Excel and 打印 only when it computed (and empties 完成情况 when it
// did not), and runs the check pass. The status bar tells how a
// run ended, with the count of findings.
ComputeOutcome computeCommand(Window& window);

// The computation of the vertical mode (N and T typed) or of the velocity-measurement mode
// (point velocities typed). Each assumes that its computed columns have just been cleared.
// A measurement that cannot be computed (no velocity vertical, no row above the first one,
// T of 0, numbers out of range) is refused with a message before anything is written.
ComputeOutcome computeVerticalMode(Window& window);
ComputeOutcome computeVelocityMode(Window& window);

} // namespace tarnelo
