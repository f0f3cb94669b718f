// What runChild does the same way on every system (child_wait.cpp). Not for use outside
// src/platform/system.
#pragma once

#include "platform/system/child_process.hpp"

#include <chrono>
#include <optional>

namespace tarnelo::sys::detail {

// Whether the wait for a child that still runs ends now, and why: Interrupted when a signal came
// (interruptSignal()) or waiting gives up, TimedOut once deadline has passed; std::nullopt to go
// on waiting.
std::optional<ChildResult::Status> waitEnds(std::chrono::steady_clock::time_point deadline,
                                            const Waiting& waiting);

} // namespace tarnelo::sys::detail
