// The texts that speak of a computation: the question before a mode's cells are cleared, and the
// status line after a run.
#include "compute/compute.hpp"

#include <string>

namespace tarnelo {

using Status = Computation::Status;

std::string modeSwitchQuestion(const Gauging& gauging) {
    int cells = 0;
    if (gauging.mode == EntryMode::Velocity) {
        for (const GaugingRow& row : gauging.rows) {
            cells += (row.signalCount.empty() ? 0 : 1) + (row.seconds.empty() ? 0 : 1);
        }
        return cells == 0 ? std::string()
                          : "计算将清除在垂线模式下输入的 N、T 共 " + std::to_string(cells) +
                                " 格，是否继续？";
    }
    if (gauging.mode == EntryMode::Vertical) {
        for (const GaugingRow& row : gauging.rows) {
            const bool vertical = !row.signalCount.empty() && !row.seconds.empty();
            if (!vertical && !row.velocity.empty()) {
                ++cells;
            }
        }
        return cells == 0 ? std::string()
                          : "计算将清除在测速模式下输入的测点流速共 " + std::to_string(cells) +
                                " 格，是否继续？";
    }
    return {};
}

std::string unusableResultsText(int errors) {
    return "有 " + std::to_string(errors) + " 处错误，结果不可用";
}

std::string computationStatusLine(const Computation& computation) {
    const std::string counts = findingCounts(computation.findings);
    switch (computation.status) {
    case Status::Computed:
        return counts.empty() ? std::string() : "计算完成，" + counts + "。";
    case Status::Refused:
        // Why nothing was computed stays first; the findings follow.
        return "未计算：" + computation.message +
               (counts.empty() ? std::string() : "　输入中" + counts + "。");
    case Status::Incomplete:
        break;
    }
    return computation.message + (counts.empty() ? std::string() : "　输入中" + counts + "。");
}

} // namespace tarnelo
