// Button 计算 in the window: it asks before clearing the other mode's cells, shows the one
// computation (and nothing of an earlier one), and shows exactly what `compute` gives. The
// computation itself is tested without a window in tests/compute, tests/checks and
// tests/uncertainty.
#include "app/compute_command.hpp"
#include "app/file_commands.hpp"
#include "app/window_sheet.hpp"
#include "compute/compute.hpp"
#include "support/headless_window.hpp"
#include "support/saved_measurements.hpp"
#include "support/scratch_program_folder.hpp"
#include "support/worked_example.hpp"
#include "window/window_gauging.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

bool columnEmpty(const Sheet& sheet, int column) {
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (!sheet.cell(r, column).empty()) {
            return false;
        }
    }
    return true;
}

TEST(ComputeCommand, ShowsOneComputationAndNothingOfAnEarlierOne) {
    HeadlessWindow window("/nonexistent");
    window.setText(ctl::水面系数编辑框, "0.85");
    testing::typeWorkedExample(window);
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    EXPECT_EQ(window.text(ctl::断面流量), "37.4");
    EXPECT_EQ(window.text(ctl::致谢框), "感谢使用!");
    EXPECT_TRUE(window.isEnabled(ctl::导出Excel));
    EXPECT_TRUE(window.isEnabled(ctl::打印));
    EXPECT_TRUE(window.messages.empty());

    // Short input: every computed cell and result of the previous run is cleared, and nothing
    // may look final: no thanks, no form, no message box, the reason in the status bar.
    window.setText(ctl::信号转数编辑框, "");
    EXPECT_EQ(computeCommand(window).status, ComputeOutcome::Status::Incomplete);
    for (int c : {0, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) {
        EXPECT_TRUE(columnEmpty(window.sheet(), c)) << "column " << c;
    }
    for (auto field : ctl::kResultFields) {
        EXPECT_EQ(window.text(field), "") << field;
    }
    EXPECT_EQ(window.text(ctl::致谢框), "");
    EXPECT_FALSE(window.isEnabled(ctl::导出Excel));
    EXPECT_FALSE(window.isEnabled(ctl::打印));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_NE(window.status().find("信号转数"), std::string::npos) << window.status();

    // A refusal after a computed run: said in a message box, nothing left computed.
    window.setText(ctl::信号转数编辑框, "20");
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    window.sheet().setCell(3, col::T, "0");
    const ComputeOutcome refused = computeCommand(window);
    ASSERT_EQ(refused.status, ComputeOutcome::Status::Refused);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, "提示：");
    EXPECT_EQ(window.messages[0].text, refused.message);
    EXPECT_NE(refused.message.find("第 4 行“T”"), std::string::npos) << refused.message;
    EXPECT_TRUE(columnEmpty(window.sheet(), col::部分流量));
    EXPECT_EQ(window.text(ctl::致谢框), "");
    EXPECT_FALSE(window.isEnabled(ctl::打印));
}

TEST(ComputeCommand, AsksBeforeClearingTheOtherModesTypedCells) {
    HeadlessWindow window("/nonexistent");
    window.setText(ctl::水面系数编辑框, "0.85");
    testing::typeWorkedExample(window);
    window.sheet().setCell(5, col::N, "12");
    window.sheet().setCell(5, col::T, "130");
    window.setSelected(ctl::测速模式, true);
    layoutSheet(window);
    window.sheet().setCell(1, col::测点流速, "1.2");
    window.sheet().setCell(0, col::总转数, "stale");
    const Sheet before = window.sheet();
    EXPECT_EQ(modeSwitchQuestion(window), "计算将清除在垂线模式下输入的 N、T 共 8 格，是否继续？");

    // Kept: the window is untouched.
    window.answerQuestion(false);
    ComputeOutcome outcome = computeCommand(window);
    EXPECT_EQ(outcome.status, ComputeOutcome::Status::Cancelled);
    EXPECT_TRUE(outcome.findings.empty());
    for (int r = 0; r < before.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            EXPECT_EQ(window.sheet().cell(r, c), before.cell(r, c)) << r << "," << c;
        }
    }
    EXPECT_FALSE(window.isEnabled(ctl::导出Excel));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, "提示：");
    EXPECT_EQ(window.messages[0].text, modeSwitchQuestion(window));

    // Cleared: N and T go with the computed columns (a stale one too), and nothing is asked
    // again.
    window.answerQuestion(true);
    outcome = computeCommand(window);
    EXPECT_NE(outcome.status, ComputeOutcome::Status::Cancelled);
    EXPECT_TRUE(window.sheet().cell(1, col::N).empty());
    EXPECT_TRUE(window.sheet().cell(0, col::总转数).empty());
    EXPECT_EQ(modeSwitchQuestion(window), "");
}

using testing::savedMeasurements;

// The window's 打开 and 计算 against the pure computation: the same texts in every cell and
// result, the same findings.
TEST(ComputeCommand, ShowsWhatComputeGivesAfterOpen) {
    for (const fs::path& file : savedMeasurements()) {
        SCOPED_TRACE(file.filename().string());
        const ScratchProgramFolder folder;
        HeadlessWindow window(folder.path());
        layoutSheet(window);
        const OpenResult opened = openRawDataFile(window, file);
        if (opened.outcome != OpenOutcome::Opened && opened.outcome != OpenOutcome::Incomplete) {
            continue;
        }
        const Gauging gauging = gaugingOf(window);
        const ComputeOutcome shown = computeCommand(window);
        const Computation computed = compute(gauging);
        EXPECT_EQ(static_cast<int>(shown.status), static_cast<int>(computed.status));
        EXPECT_EQ(shown.findings, computed.findings);
        EXPECT_EQ(window.status(), computationStatusLine(computed));
        for (int r = 0; r < window.sheet().rowCount(); ++r) {
            for (int c = 0; c < kRecordColumns; ++c) {
                ASSERT_EQ(window.sheet().cell(r, c), computed.table.cell(r, c)) << r << "," << c;
            }
        }
        for (std::size_t i = 0; i < kResultCount; ++i) {
            EXPECT_EQ(window.text(ctl::kResultFields[i]), computed.results[i]);
        }
        EXPECT_EQ(window.text(ctl::致谢框), computed.completion);
    }
}

} // namespace
} // namespace tarnelo
