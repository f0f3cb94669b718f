// The check pass: what it flags, where, and that sound gaugings pass it without a word.
#include "app/compute_command.hpp"
#include "app/compute_file.hpp"
#include "app/window_sheet.hpp"
#include "checks/checks.hpp"
#include "compute/numtext.hpp"
#include "report/window_view.hpp"
#include "support/headless_window.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

using Severity = Finding::Severity;

struct Row {
    std::string distance;
    std::string depth;
    std::string relative = "";
    std::string n = "";
    std::string t = "";
    std::string velocity = "";
};

// The worked example of the field manual: 37.4 m³/s over five rows.
std::vector<Row> workedExample() {
    return {{"0", "0"},
            {"5", "1.2", "0.6", "10", "100"},
            {"10", "1.8", "0.6", "15", "110"},
            {"15", "1.5", "0.0", "20", "105"},
            {"20", "0"}};
}

class Checks : public ::testing::Test {
  protected:
    Checks() : window("/nonexistent") {
        layoutSheet(window);
        window.setText(ctl::水面系数编辑框, "0.85");
    }

    void type(const std::vector<Row>& rows) {
        Sheet& sheet = window.sheet();
        sheet.clearColumns(cols::kAll);
        sheet.growTo(static_cast<int>(rows.size()));
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            const Row& row = rows[static_cast<std::size_t>(r)];
            sheet.setCell(r, col::起点距, row.distance);
            sheet.setCell(r, col::水深, row.depth);
            sheet.setCell(r, col::相对, row.relative);
            sheet.setCell(r, col::N, row.n);
            sheet.setCell(r, col::T, row.t);
            sheet.setCell(r, col::测点流速, row.velocity);
        }
    }

    void velocityMode() {
        window.setSelected(ctl::测速模式, true);
        layoutSheet(window);
    }

    std::vector<Finding> only(Severity severity) const {
        std::vector<Finding> found = checkWindow(window);
        std::erase_if(found, [&](const Finding& f) { return f.severity != severity; });
        return found;
    }
    // Those of one column: the worked example's three verticals in 20 m of water are always
    // noticed as too far apart (on 起点距).
    std::vector<Finding> only(Severity severity, int column) const {
        std::vector<Finding> found = only(severity);
        std::erase_if(found, [&](const Finding& f) { return f.column != column; });
        return found;
    }

    HeadlessWindow window;
};

TEST_F(Checks, TextsThatAreNotWhollyNumbersAreErrorsOnTheirCell) {
    auto rows = workedExample();
    const std::vector<std::string> bad{"l.2", "1.2.3", "12a", "１.２", "abc", "-"};
    for (std::size_t i = 0; i < bad.size(); ++i) {
        rows.push_back({std::to_string(25 + 5 * i), bad[i]});
    }
    // Numbers with a sign, a bare point, an exponent or blanks around them read as they say.
    rows.push_back({"60", " 1.2"});
    rows.push_back({"65", "+.5"});
    rows.push_back({"70", "1e0"});
    rows.push_back({"75", "0"});
    type(rows);
    window.setText(ctl::岸边系数编辑框01, "0.7x");
    window.setText(ctl::计算公式编辑框02, ".");

    const auto errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), bad.size() + 2);
    EXPECT_EQ(errors[0].coefficient, static_cast<int>(coef::左岸岸边系数));
    EXPECT_EQ(errors[0].row, -1);
    EXPECT_EQ(errors[1].coefficient, static_cast<int>(coef::公式常数C));
    EXPECT_EQ(findingPlace(errors[0]), "“左岸岸边系数”");
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const Finding& f = errors[i + 2];
        EXPECT_EQ(f.row, static_cast<int>(5 + i));
        EXPECT_EQ(f.column, col::水深);
        EXPECT_NE(f.reason.find("不是数字"), std::string::npos) << f.reason;
    }
    EXPECT_EQ(errors[2].reason, "“l.2”不是数字，将按 0 计算");
    EXPECT_EQ(errors[4].reason, "“12a”不是数字，将按 12 计算");
    EXPECT_EQ(findingLine(errors[2]), "第 6 行“水深”：“l.2”不是数字，将按 0 计算");

    // Columns the mode does not type are not checked: N and T in 测速模式.
    window.sheet().setCell(1, col::N, "x");
    EXPECT_EQ(only(Severity::Error).size(), bad.size() + 2 + 1);
    velocityMode();
    EXPECT_EQ(only(Severity::Error).size(), bad.size() + 1);
}

TEST_F(Checks, DistancesThatDoNotIncreaseAndGapsAreErrors) {
    // Typed from the right bank: every row after the first goes back.
    type({{"20", "0"},
          {"15", "1.5", "0.0", "20", "105"},
          {"10", "1.8", "0.6", "15", "110"},
          {"5", "1.2", "0.6", "10", "100"},
          {"0", "0"}});
    auto errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(errors[static_cast<std::size_t>(i)].row, i + 1);
        EXPECT_EQ(errors[static_cast<std::size_t>(i)].column, col::起点距);
    }
    EXPECT_EQ(firstDistanceGap(window), -1);

    auto rows = workedExample();
    rows[2].distance = "5"; // repeats the row above
    type(rows);
    errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].row, 2);
    EXPECT_EQ(errors[0].reason, "起点距与第 2 行相同：起点距应逐行增加");

    // 51 typed for 17: the error sits on the typo, whose neighbours are in order; where either
    // of two rows may be wrong, on the later one as before.
    rows = workedExample();
    rows[2].distance = "51";
    type(rows);
    errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].row, 2);
    EXPECT_EQ(errors[0].reason, "起点距比第 4 行的 " + rows[3].distance +
                                    " 大，而前后两行依次增加：本行的起点距可能输错");
    rows = workedExample();
    rows[0].distance = "51";
    type(rows);
    errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].row, 0);
    // 5, 12, 10, 20: either 12 or 10 may be wrong.
    type({{"0", "0"},
          {"5", "1.2", "0.6", "10", "100"},
          {"12", "1.2", "0.6", "10", "100"},
          {"10", "1.2", "0.6", "10", "100"},
          {"20", "0"}});
    errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].row, 3);

    // An empty distance in the middle: the form would place the rows below it wrongly.
    rows = workedExample();
    rows[2].distance = "";
    type(rows);
    errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].row, 2);
    EXPECT_EQ(errors[0].column, col::起点距);
    EXPECT_NE(errors[0].reason.find("第 4 行还有起点距"), std::string::npos) << errors[0].reason;
    EXPECT_EQ(firstDistanceGap(window), 2);
    // Empty rows after the last distance are no gap.
    window.sheet().setCell(2, col::起点距, "10");
    EXPECT_EQ(firstDistanceGap(window), -1);
}

TEST_F(Checks, ValuesOutsideTheirRangeAreErrors) {
    auto rows = workedExample();
    rows[1].relative = "1.2"; // the measuring point would lie below the bed
    rows[2].relative = "-0.2";
    rows[3].depth = "-1.5";
    rows[3].n = "-20";
    rows[3].t = "-105";
    type(rows);
    const auto errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(std::make_pair(errors[0].row, errors[0].column), std::make_pair(1, col::相对));
    EXPECT_EQ(std::make_pair(errors[1].row, errors[1].column), std::make_pair(2, col::相对));
    EXPECT_EQ(std::make_pair(errors[2].row, errors[2].column), std::make_pair(3, col::水深));
    EXPECT_EQ(std::make_pair(errors[3].row, errors[3].column), std::make_pair(3, col::N));
    EXPECT_EQ(std::make_pair(errors[4].row, errors[4].column), std::make_pair(3, col::T));
    EXPECT_EQ(errors[2].reason, "水深不能为负数");
}

TEST_F(Checks, PlausibleButOddInputIsANotice) {
    type({{"0", "0.3"},                        // first row not a water edge
          {"5", "1.2", "0.6", "10", ""},       // N without T
          {"10", "1.8", "0.6", "", "110"},     // T without N
          {"12", "0"},                         // water edge in the middle
          {"15", "1.5", "0.0", "20", "90"},    // T under 100 s
          {"20", ""},                          // distance without depth
          {"", "0.4"},                         // depth without distance (and a gap: error)
          {"30", "0.2", "0.6", "15", "120"}}); // last row not a water edge; 15 m from the
                                               // vertical before in 30 m of water
    window.setText(ctl::岸边系数编辑框01, "0.4");
    window.setText(ctl::岸边系数编辑框02, "1.2");
    std::vector<std::tuple<int, int, int>> where;
    for (const Finding& f : only(Severity::Notice)) {
        where.emplace_back(f.row, f.column, !f.isCoefficient() ? 0 : 1);
    }
    const std::vector<std::tuple<int, int, int>> expected{
        {-1, -1, 1},         {-1, -1, 1},         {0, col::水深, 0}, {1, col::T, 0},
        {2, col::N, 0},      {3, col::水深, 0},   {4, col::T, 0},    {5, col::水深, 0},
        {6, col::起点距, 0}, {7, col::起点距, 0}, {7, col::水深, 0}};
    EXPECT_EQ(where, expected);
    EXPECT_EQ(only(Severity::Error).size(), 1u);

    // Every threshold names its source, or says it has none.
    for (const Finding& f : only(Severity::Notice)) {
        if (f.reason.find("100 秒") != std::string::npos || !!f.isCoefficient()) {
            EXPECT_NE(f.reason.find("（经验值）"), std::string::npos) << f.reason;
        }
    }
}

// The typos seen in the field: a decimal comma, a velocity no current meter meets, a slipped
// digit in a distance or a depth.
TEST_F(Checks, FieldTyposAreCaught) {
    auto rows = workedExample();
    rows[1].depth = "1,2";
    rows[2].depth = "1，8";
    rows[3].depth = "a,b";
    type(rows);
    window.setText(ctl::岸边系数编辑框01, "0,7");
    auto errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].reason, "“0,7”：小数点请用“.”");
    EXPECT_EQ(errors[1].reason, "“1,2”：小数点请用“.”");
    EXPECT_EQ(std::make_pair(errors[1].row, errors[1].column), std::make_pair(1, col::水深));
    EXPECT_EQ(errors[2].reason, "“1，8”：小数点请用“.”");
    EXPECT_NE(errors[3].reason.find("不是数字"), std::string::npos) << errors[3].reason;
    // A Chinese input method's full stop and full-width digits are named.
    rows = workedExample();
    rows[1].depth = "0。6";
    rows[2].depth = "１.２";
    type(rows);
    errors = only(Severity::Error, col::水深);
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors[0].reason, "“0。6”不是数字（小数点请用“.”，不是句号“。”），将按 0 计算");
    EXPECT_EQ(errors[1].reason.rfind("“１.２”不是数字（含全角字符“１”，请切换到半角输入）", 0), 0u)
        << errors[1].reason;
    rows = workedExample();
    type(rows);
    window.setText(ctl::岸边系数编辑框01, "0.7");

    // A point velocity over 10 m/s is an error, typed or computed from N and T.
    velocityMode();
    rows = workedExample();
    rows[1].velocity = "10";
    rows[2].velocity = "36.9";
    type(rows);
    errors = only(Severity::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(std::make_pair(errors[0].row, errors[0].column), std::make_pair(2, col::测点流速));
    EXPECT_NE(errors[0].reason.find("超过 10 米/秒"), std::string::npos);
    EXPECT_NE(errors[0].reason.find("（经验值）"), std::string::npos);
    window.setSelected(ctl::垂线模式, true);
    layoutSheet(window);
    window.setText(ctl::信号转数编辑框, "20");
    window.setText(ctl::计算公式编辑框01, "0.6793");
    window.setText(ctl::计算公式编辑框02, "0.0033");
    rows = workedExample();
    rows[2].n = "150"; // 3000 revolutions in 110 s: 18.5 m/s
    type(rows);
    ComputeOutcome outcome = computeCommand(window);
    ASSERT_EQ(outcome.status, ComputeOutcome::Status::Computed);
    ASSERT_EQ(countSeverity(outcome.findings, Severity::Error), 1);
    for (const Finding& f : outcome.findings) {
        if (f.severity == Severity::Error) {
            EXPECT_EQ(std::make_pair(f.row, f.column), std::make_pair(2, col::测点流速));
        }
    }

    // A spacing more than ten times the median spacing (5 m) is a jump; ten times is not.
    rows = workedExample();
    rows[4].distance = "65";
    type(rows);
    EXPECT_TRUE(only(Severity::Notice).empty());
    rows[4].distance = "65.1";
    type(rows);
    auto notices = only(Severity::Notice);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(std::make_pair(notices[0].row, notices[0].column), std::make_pair(4, col::起点距));
    EXPECT_EQ(notices[0].reason,
              "起点距跳跃：与第 4 行相距 50.10 米，超过全断面间距中位数 5.00 米的 10 倍（经验值）");
    // Too few spacings for a median: nothing.
    type({{"0", "0"}, {"5", "1.2", "0.6", "10", "100"}, {"500", "0"}});
    EXPECT_TRUE(only(Severity::Notice).empty());

    // A depth more than three times both of its neighbours.
    rows = workedExample();
    rows[2].depth = "18";
    type(rows);
    notices = only(Severity::Notice, col::水深);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(std::make_pair(notices[0].row, notices[0].column), std::make_pair(2, col::水深));
    EXPECT_EQ(notices[0].reason,
              "水深 18 超过上下两条垂线水深（1.2、1.5）的 3 倍，请核对（经验值）");
    rows[2].depth = "4.5"; // exactly three times 1.5
    type(rows);
    EXPECT_TRUE(only(Severity::Notice, col::水深).empty());
    // Beside a water edge, the one neighbour inside the section is the measure.
    rows = workedExample();
    rows[1].depth = "12";
    type(rows);
    notices = only(Severity::Notice, col::水深);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].reason,
              "水深 12 超过里侧垂线水深（1.8）的 3 倍，而另一侧是水边，请核对（经验值）");
}

TEST_F(Checks, PartialsAboveATenthOfTheSectionAreNoticedAfterTheComputation) {
    type(workedExample());
    // Before the computation only the spacing of the verticals is noticed.
    ASSERT_EQ(checkWindow(window).size(), 1u);
    EXPECT_EQ(checkWindow(window)[0].column, col::起点距);
    const ComputeOutcome outcome = computeCommand(window);
    ASSERT_EQ(outcome.status, ComputeOutcome::Status::Computed);
    // 2.85 of 37.4 is under a tenth; 12.1, 16.7 and 5.78 are not: one notice, on the largest,
    // the other two tinted with it.
    ASSERT_EQ(outcome.findings.size(), 2u);
    const Finding& share = outcome.findings[1];
    EXPECT_EQ(share.row, 2);
    EXPECT_EQ(share.column, col::部分流量);
    EXPECT_EQ(share.reason, "有 3 条部分流量超过断面流量的 10%（最大 45%，第 3 行）；ISO 748 "
                            "建议每条部分流量不超过 10%，可考虑增加垂线。");
    EXPECT_EQ(share.alsoRows, (std::vector<int>{1, 3}));
    EXPECT_EQ(window.status(), "计算完成，有 2 处需要注意。");
}

TEST_F(Checks, TheComputeCommandCarriesFindingsAndCountsThemInTheStatusBar) {
    // The letter l for the digit 1: the depth reads as 0 and the discharge drops, but the
    // computation still runs; the finding says why.
    auto rows = workedExample();
    rows[1].depth = "l.2";
    type(rows);
    ComputeOutcome outcome = computeCommand(window);
    ASSERT_EQ(outcome.status, ComputeOutcome::Status::Computed);
    EXPECT_EQ(window.text(ctl::断面流量), "29.7");
    ASSERT_FALSE(outcome.findings.empty());
    EXPECT_EQ(outcome.findings[0].severity, Severity::Error);
    EXPECT_EQ(outcome.findings[0].row, 1);
    EXPECT_EQ(outcome.findings[0].column, col::水深);
    EXPECT_EQ(window.status().rfind("计算完成，有 1 处错误、", 0), 0u) << window.status();

    // An incomplete run keeps saying why it did not run, with the findings after it.
    window.sheet().clearColumns(col::N, col::T);
    outcome = computeCommand(window);
    ASSERT_EQ(outcome.status, ComputeOutcome::Status::Incomplete);
    EXPECT_EQ(window.status().rfind("数据不全，未计算", 0), 0u) << window.status();
    EXPECT_NE(window.status().find("输入中有 1 处错误"), std::string::npos) << window.status();
}

TEST_F(Checks, ComputingInTheOtherModeAsksBeforeClearingTypedCells) {
    type(workedExample());
    window.sheet().setCell(5, col::N, "12");
    window.sheet().setCell(5, col::T, "130");
    velocityMode();
    window.sheet().setCell(1, col::测点流速, "1.2");
    const Sheet before = window.sheet();
    EXPECT_EQ(modeSwitchQuestion(window), "计算将清除在垂线模式下输入的 N、T 共 8 格，是否继续？");

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

    window.answerQuestion(true);
    outcome = computeCommand(window);
    EXPECT_NE(outcome.status, ComputeOutcome::Status::Cancelled);
    EXPECT_TRUE(window.sheet().cell(1, col::N).empty());
    EXPECT_EQ(modeSwitchQuestion(window), "");

    // Back in 垂线模式: typed point velocities on rows without N and T are the other mode's.
    window.setSelected(ctl::垂线模式, true);
    type(workedExample());
    window.sheet().setCell(4, col::测点流速, "0.3");
    window.sheet().setCell(1, col::测点流速, "1.36"); // on a velocity vertical: computed here
    EXPECT_EQ(modeSwitchQuestion(window),
              "计算将清除在测速模式下输入的测点流速共 1 格，是否继续？");
}

// Sheets a hydrologist would sign must not raise a single error.
TEST(ChecksOnSoundSheets, BundledExamplesAndTheWorkedExampleHaveNoErrors) {
    const std::filesystem::path source(TARNELO_SOURCE_DIR);
    const std::vector<std::pair<std::filesystem::path, int>> files{
        {source / "examples" / "velocity-mode.dat", 2},
        {source / "examples" / "vertical-surface-points.dat", 2},
        {source / "examples" / "vertical-25-verticals.dat", 0},
        {source / "tests" / "data" / "e2e" / "worked-example.dat", 2},
    };
    for (const auto& [file, notices] : files) {
        SCOPED_TRACE(file.filename().string());
        const FileComputation outcome = computeRawDataFile(file);
        ASSERT_EQ(outcome.status, FileComputation::Status::Computed);
        const std::vector<Finding>& findings = outcome.computation.findings;
        EXPECT_EQ(countSeverity(findings, Severity::Error), 0) << findingList(findings);
        // Only the notices on partials above a tenth of the section and on velocity verticals
        // too far apart, in the sparse small sections.
        EXPECT_EQ(countSeverity(findings, Severity::Notice), notices) << findingList(findings);
    }
}

// A gauging of the kind the code asks for: 25 verticals, T of 100 s and more, bank
// coefficients 0.7, water edges at both ends. Not a single finding.
TEST(ChecksOnSoundSheets, ACleanTwentyFiveVerticalGaugingHasNoFindingAtAll) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    sheet.growTo(27);
    constexpr double kPi = 3.14159265358979;
    sheet.setCell(0, col::起点距, "2");
    sheet.setCell(0, col::水深, "0");
    for (int i = 1; i <= 25; ++i) {
        const double shape = std::sin(kPi * i / 26.0);
        sheet.setCell(i, col::起点距, num::plainText(2 + 4.0 * i));
        sheet.setCell(i, col::水深, num::fixedText(0.4 + 2.6 * shape, 2));
        sheet.setCell(i, col::相对, "0.6");
        sheet.setCell(i, col::N, num::plainText(std::round(4 + 20 * shape)));
        sheet.setCell(i, col::T, num::plainText(100 + (i * 11) % 40));
    }
    sheet.setCell(26, col::起点距, "106");
    sheet.setCell(26, col::水深, "0");
    const ComputeOutcome outcome = computeCommand(window);
    ASSERT_EQ(outcome.status, ComputeOutcome::Status::Computed);
    EXPECT_TRUE(outcome.findings.empty()) << findingList(outcome.findings);
    EXPECT_EQ(window.status(), "");
}

// Random plausible sheets in both modes: increasing distances, water edges at both ends,
// depths, N and T or velocities in their usual ranges. No error, ever.
TEST(ChecksOnSoundSheets, RandomPlausibleSheetsHaveNoErrors) {
    std::mt19937 random(20130721);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    for (int run = 0; run < 200; ++run) {
        SCOPED_TRACE(run);
        HeadlessWindow window("/nonexistent");
        const bool velocity = run % 2 == 1;
        window.setSelected(velocity ? ctl::测速模式 : ctl::垂线模式, true);
        layoutSheet(window);
        window.setText(ctl::岸边系数编辑框01, num::fixedText(uniform(0.5, 1.0), 2));
        // A third of the verticals are surface points: a surface coefficient of the usual range.
        window.setText(ctl::水面系数编辑框, num::fixedText(uniform(0.8, 0.95), 2));
        const int verticals = 3 + static_cast<int>(random() % 30);
        Sheet& sheet = window.sheet();
        sheet.growTo(verticals + 2);
        double distance = uniform(0, 50);
        sheet.setCell(0, col::起点距, num::fixedText(distance, 1));
        sheet.setCell(0, col::水深, "0");
        for (int r = 1; r <= verticals; ++r) {
            distance += uniform(0.3, 20);
            sheet.setCell(r, col::起点距, num::fixedText(distance, 1));
            sheet.setCell(r, col::水深, num::fixedText(uniform(0.1, 15), 2));
            if (random() % 4 == 0) {
                continue; // a sounding-only vertical
            }
            sheet.setCell(r, col::相对, random() % 3 == 0 ? "0.0" : "0.6");
            if (velocity) {
                sheet.setCell(r, col::测点流速, num::fixedText(uniform(0.01, 6), 2));
            } else {
                // At most 25 signals of 20 turns in 60 s: under 6 m/s with the default meter.
                sheet.setCell(r, col::N, num::plainText(1 + random() % 25));
                sheet.setCell(r, col::T, num::plainText(60 + random() % 200));
            }
        }
        sheet.setCell(verticals + 1, col::起点距, num::fixedText(distance + uniform(0.3, 10), 1));
        sheet.setCell(verticals + 1, col::水深, "0");
        const ComputeOutcome outcome = computeCommand(window);
        EXPECT_EQ(countSeverity(outcome.findings, Severity::Error), 0)
            << findingList(outcome.findings);
        for (const Finding& f : outcome.findings) {
            EXPECT_TRUE(f.isCell());
            EXPECT_LT(f.row, sheet.rowCount());
        }
    }
}

} // namespace
} // namespace tarnelo
