// What the window shows of the last press of 计算: the computation itself (made once, kept
// whole: its figures, findings, section and uncertainty), and whether it still belongs to the
// input. "Stale" is derived, never tracked edit by edit: the input the computation was made of
// is kept with it and compared with the window's input.
#pragma once

#include "app/compute_command.hpp"
#include "document/document.hpp"
#include "measure/section.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

inline constexpr std::string_view kStaleStatus = "输入已修改，请重新计算。";
inline constexpr std::string_view kStaleResults = "计算后输入已修改，这些结果已过时，请重新计算。";
inline constexpr std::string_view kUnusableResults = "输入中有错误，这些结果不可用：";
inline constexpr std::string_view kRowsMovedStatus = "行已变动，请重新计算。";

class ComputedState {
  public:
    // After 计算 (a cancelled run changes nothing): a computed run is kept with the status text
    // it left; every run but a cancelled one its findings.
    void record(const ComputeOutcome& outcome, std::string status);
    // After 清空 or 打开: nothing computed stands in the window any more.
    void forget();
    // Rows moved under the findings: they are dropped, the figures stay (and are stale).
    void dropFindings() { findings_.clear(); }

    bool computed() const { return run_ != nullptr; }
    // The computation shown, or nullptr when none is.
    const Computation* computation() const { return run_ ? &run_->computation : nullptr; }
    const ComputedRun* run() const { return run_.get(); }
    // Computed, and the mode, a coefficient, a typed cell or the 三点法 rule of `input` differ
    // from what it was computed from.
    bool stale(const Gauging& input) const;
    bool stale(const Window& window) const;
    const std::vector<Finding>& findings() const { return findings_; }
    // The section as the computation gave it: while the figures are outdated, what is said of
    // them (the uncertainty, the picture) still comes from here, not from the input that
    // changed since.
    const MeasuredSection& section() const;
    // The status bar text the computation left.
    const std::string& status() const { return status_; }

  private:
    std::shared_ptr<const ComputedRun> run_;
    std::vector<Finding> findings_;
    std::string status_;
};

} // namespace tarnelo
