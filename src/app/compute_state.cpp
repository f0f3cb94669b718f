#include "app/compute_state.hpp"

#include "window/window_gauging.hpp"

namespace tarnelo {

void ComputedState::record(const ComputeOutcome& outcome, std::string status) {
    if (outcome.status == ComputeOutcome::Status::Cancelled) {
        return;
    }
    findings_ = outcome.findings;
    status_ = std::move(status);
    run_ = outcome.status == ComputeOutcome::Status::Computed ? outcome.run : nullptr;
}

void ComputedState::forget() {
    run_.reset();
    findings_.clear();
    status_.clear();
}

bool ComputedState::stale(const Gauging& input) const {
    return run_ && (input.threePoint != run_->input.threePoint || !sameInput(input, run_->input));
}

bool ComputedState::stale(const Window& window) const {
    return run_ && stale(gaugingOf(window));
}

const MeasuredSection& ComputedState::section() const {
    static const MeasuredSection kNone;
    return run_ ? run_->computation.section : kNone;
}

} // namespace tarnelo
