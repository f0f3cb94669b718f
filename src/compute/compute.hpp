// The compute command (button 计算) and the two discharge computations.
#pragma once

#include <string>

namespace tarnelo {

class Window;

// What a press of 计算 did.
struct ComputeOutcome {
    enum class Status {
        Computed,   // every computed column and result was written
        Incomplete, // the input scored short; nothing was computed, message says what is missing
        Refused,    // the input cannot be computed; message is the text the window showed
    };
    Status status = Status::Incomplete;
    std::string message;
};

// Scores the completeness of the input, clears the computed columns and results, runs the
// computation of the selected mode when the score is full, and enables 导出Excel and 打印.
ComputeOutcome computeCommand(Window& window);

// The computation of the vertical mode (N and T typed) or of the velocity-measurement mode
// (point velocities typed). Each assumes that its computed columns have just been cleared.
// A measurement that cannot be computed (no velocity vertical, no row above the first one,
// T of 0, numbers out of range) is refused with a message before anything is written.
ComputeOutcome computeVerticalMode(Window& window);
ComputeOutcome computeVelocityMode(Window& window);

} // namespace tarnelo
