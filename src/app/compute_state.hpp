// What the window shows of the last press of 计算: its findings, and whether its figures still
// belong to the input. "Stale" is derived, never tracked edit by edit: the input at the last
// computation is kept as a snapshot and compared with the window's input.
#pragma once

#include "app/compute_command.hpp"
#include "app/shell.hpp"
#include "measure/section.hpp"

#include <optional>
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
    // After 计算 (a cancelled run changes nothing): a computed run keeps the input it was
    // computed from and the status text it left; every run but a cancelled one its findings.
    void record(const Window& window, const ComputeOutcome& outcome, std::string status);
    // After 清空 or 打开: nothing computed stands in the window any more.
    void forget();
    // Rows moved under the findings: they are dropped, the figures stay (and are stale).
    void dropFindings() { findings_.clear(); }

    bool computed() const { return snapshot_.has_value(); }
    // Computed, and the mode, a coefficient, a typed cell or the 三点法 rule changed since.
    bool stale(const Window& window) const;
    const std::vector<Finding>& findings() const { return findings_; }
    // The section as the computation left it in the window: while the figures are outdated,
    // what is said of them (the uncertainty, the picture) comes from here, not from the input
    // that changed since.
    const MeasuredSection& section() const { return section_; }
    // The status bar text the computation left.
    const std::string& status() const { return status_; }

  private:
    std::optional<InputSnapshot> snapshot_;
    MeasuredSection section_;
    ThreePointRule threePoint_ = ThreePointRule::Equal;
    std::vector<Finding> findings_;
    std::string status_;
};

} // namespace tarnelo
