// Runs a helper program (the renderer) so that it can never outlive its use: in a session of
// its own, with a minimal environment and no inherited file descriptors beyond 0-2, under a
// time limit, and ended together with everything it started when the limit runs out, when the
// user interrupts, or when the waiting side gives up.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tarnelo::sys {

struct ChildResult {
    enum class Status {
        Exited,      // ran to its end; exitCode holds its status
        CouldNotRun, // fork or exec failed
        TimedOut,    // ended after the time limit
        Interrupted, // ended because of a signal to this process or because waiting was cancelled
    };
    Status status = Status::CouldNotRun;
    int exitCode = -1;
};

// Asked again and again while the program waits for another program, with what it waits for
// (for the status line: "Microsoft Excel 打印记载表"; empty for LibreOffice making the print
// pages): the window keeps painting and showing how long it has waited through it. Returning
// false gives up the wait. Whoever starts the wait is handed one by its caller.
using KeepWaiting = std::function<bool(const std::string& subject)>;

// A wait as its caller allows it: an empty keepWaiting waits on (to the time limit or a signal).
struct Waiting {
    KeepWaiting keepWaiting;
    std::string subject;

    // Asks keepWaiting about the subject; true when there is none. Anything that waits on
    // another program calls it between its looks.
    bool goOn() const;
};

// argv[0] is the program's path; environment is the whole environment ("NAME=value") the
// program gets. Its standard output and error go to output when one is given (the file is
// replaced), else nowhere. The wait for it ends, with the child and its tree, when waiting
// gives up (asked every few tens of milliseconds).
ChildResult runChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, std::chrono::milliseconds limit,
                     const std::string& output = {}, const Waiting& waiting = {});

// Signals SIGINT, SIGTERM and SIGHUP: the first ends the running child's tree and is then
// reported by interruptSignal() so the program can unwind and remove its scratch folders; a
// second one ends the process at once. Installed without SA_RESTART so that no blocked call
// hides the signal.
void installInterruptHandlers();
// The signal that interrupted the program, or 0.
int interruptSignal();

} // namespace tarnelo::sys
