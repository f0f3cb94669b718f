// When a wait for a child ends, the same on every system.
#include "platform/system/child_process.hpp"

#include "platform/system/child_process_impl.hpp"

namespace tarnelo::sys {

bool Waiting::goOn() const {
    return !keepWaiting || keepWaiting(subject);
}

namespace detail {

std::optional<ChildResult::Status> waitEnds(std::chrono::steady_clock::time_point deadline,
                                            const Waiting& waiting) {
    bool giveUp = interruptSignal() != 0;
    if (!giveUp) {
        giveUp = !waiting.goOn();
    }
    if (giveUp || std::chrono::steady_clock::now() >= deadline) {
        return giveUp ? ChildResult::Status::Interrupted : ChildResult::Status::TimedOut;
    }
    return std::nullopt;
}

} // namespace detail

} // namespace tarnelo::sys
