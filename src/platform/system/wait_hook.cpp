// The wait hook, the subject of the wait and when a wait for a child ends, the same on every
// system.
#include "platform/system/child_process.hpp"

#include "platform/system/child_process_impl.hpp"

#include <mutex>
#include <utility>

namespace tarnelo::sys {

namespace {

std::mutex hookMutex;
WaitHook waitHook;
std::string subject;

} // namespace

void setWaitHook(WaitHook hook) {
    std::lock_guard lock(hookMutex);
    waitHook = std::move(hook);
}

bool keepWaiting() {
    WaitHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = waitHook;
    }
    return !hook || hook();
}

std::string waitSubject() {
    std::lock_guard lock(hookMutex);
    return subject;
}

WaitSubject::WaitSubject(std::string text) {
    std::lock_guard lock(hookMutex);
    previous_ = std::exchange(subject, std::move(text));
}

WaitSubject::~WaitSubject() {
    std::lock_guard lock(hookMutex);
    subject = std::move(previous_);
}

namespace detail {

std::optional<ChildResult::Status> waitEnds(std::chrono::steady_clock::time_point deadline) {
    bool giveUp = interruptSignal() != 0;
    if (!giveUp) {
        giveUp = !keepWaiting();
    }
    if (giveUp || std::chrono::steady_clock::now() >= deadline) {
        return giveUp ? ChildResult::Status::Interrupted : ChildResult::Status::TimedOut;
    }
    return std::nullopt;
}

} // namespace detail

} // namespace tarnelo::sys
