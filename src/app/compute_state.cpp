#include "app/compute_state.hpp"

namespace tarnelo {

void ComputedState::record(const Window& window, const ComputeOutcome& outcome,
                           std::string status) {
    if (outcome.status == ComputeOutcome::Status::Cancelled) {
        return;
    }
    findings_ = outcome.findings;
    status_ = std::move(status);
    if (outcome.status == ComputeOutcome::Status::Computed) {
        snapshot_ = takeInputSnapshot(window);
        threePoint_ = window.threePointRule();
    } else {
        snapshot_.reset();
    }
}

void ComputedState::forget() {
    snapshot_.reset();
    findings_.clear();
    status_.clear();
}

bool ComputedState::stale(const Window& window) const {
    return snapshot_ &&
           (inputDiffers(window, *snapshot_) || window.threePointRule() != threePoint_);
}

} // namespace tarnelo
