#include "app/compute_state.hpp"

#include "report/window_view.hpp"

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
        section_ = readWindowSection(window);
        threePoint_ = window.threePointRule();
    } else {
        snapshot_.reset();
        section_ = {};
    }
}

void ComputedState::forget() {
    snapshot_.reset();
    section_ = {};
    findings_.clear();
    status_.clear();
}

bool ComputedState::stale(const Window& window) const {
    return snapshot_ &&
           (inputDiffers(window, *snapshot_) || window.threePointRule() != threePoint_);
}

} // namespace tarnelo
