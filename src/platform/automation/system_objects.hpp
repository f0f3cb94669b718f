// The system's own automation objects (COM on Windows): programs such as the user's
// spreadsheet, reached by ProgID and driven through the same Dispatch handles as the built-in
// hosts. Systems without such objects know no ProgID.
#pragma once

#include "platform/automation/dispatch.hpp"

#include <string_view>

namespace tarnelo::automation {

// Whether a program is registered under the ProgID, without starting it.
bool systemObjectRegistered(std::string_view progId);

// Starts the program registered under the ProgID and hands out its application object (the
// outcome's object); an error (in Chinese, naming the ProgID) when it cannot. The object is
// used and released on the thread that made it, inside a SystemObjectThread.
Outcome createSystemObject(std::string_view progId);

// Readies the calling thread for system objects for the guard's lifetime (a single-threaded
// apartment on Windows).
class SystemObjectThread {
  public:
    SystemObjectThread();
    ~SystemObjectThread();
    SystemObjectThread(const SystemObjectThread&) = delete;
    SystemObjectThread& operator=(const SystemObjectThread&) = delete;

  private:
    [[maybe_unused]] bool entered_ = false; // the posix build has nothing to enter
};

} // namespace tarnelo::automation
