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

// argv[0] is the program's path; environment is the whole environment ("NAME=value") the
// program gets. Its standard output and error go to output when one is given (the file is
// replaced), else nowhere.
ChildResult runChild(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, std::chrono::milliseconds limit,
                     const std::string& output = {});

// Called about every 50 ms while a child runs: the window keeps painting and showing progress
// through it. Returning false gives up the wait (the child and its tree are ended).
using WaitHook = std::function<bool()>;
void setWaitHook(WaitHook hook);

// Asks the wait hook whether to go on waiting; true when none is set. Anything that waits on
// another program calls it between its looks.
bool keepWaiting();

// What the program is waiting for, for the status line ("LibreOffice 生成打印页面"); the one who
// waits names it for the time of the wait.
std::string waitSubject();
class WaitSubject {
  public:
    explicit WaitSubject(std::string subject);
    ~WaitSubject();
    WaitSubject(const WaitSubject&) = delete;
    WaitSubject& operator=(const WaitSubject&) = delete;

  private:
    std::string previous_;
};

// Signals SIGINT, SIGTERM and SIGHUP: the first ends the running child's tree and is then
// reported by interruptSignal() so the program can unwind and remove its scratch folders; a
// second one ends the process at once. Installed without SA_RESTART so that no blocked call
// hides the signal.
void installInterruptHandlers();
// The signal that interrupted the program, or 0.
int interruptSignal();

} // namespace tarnelo::sys
