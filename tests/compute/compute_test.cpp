#include "app/compute_command.hpp"
#include "measure/numtext.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnelo {
namespace {

struct Typed {
    const char* distance;
    const char* depth;
    const char* relative = "";
    const char* n = "";
    const char* t = "";
};

void typeRows(Window& window, const std::vector<Typed>& rows) {
    Sheet& sheet = window.sheet();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& typed = rows[static_cast<std::size_t>(r)];
        sheet.setCell(r, col::起点距, typed.distance);
        sheet.setCell(r, col::水深, typed.depth);
        sheet.setCell(r, col::相对, typed.relative);
        sheet.setCell(r, col::N, typed.n);
        sheet.setCell(r, col::T, typed.t);
    }
}

std::vector<int> rowsWithFilled(const Sheet& sheet, int column) {
    std::vector<int> rows;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (!sheet.cell(r, column).empty()) {
            rows.push_back(r);
        }
    }
    return rows;
}

double sumOf(const Sheet& sheet, int column, int first, int last) {
    double sum = 0;
    for (int r = first; r <= last; ++r) {
        sum = num::numberOf(num::plainText(sum + num::numberOf(sheet.cell(r, column))));
    }
    return sum;
}

void expectNoBadTexts(const HeadlessWindow& window) {
    const Sheet& sheet = window.sheet();
    auto bad = [](const std::string& text) {
        return text.find("inf") != std::string::npos || text.find("nan") != std::string::npos ||
               text.rfind("-0", 0) == 0;
    };
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            EXPECT_FALSE(bad(sheet.cell(r, c))) << r << "," << c << ": " << sheet.cell(r, c);
        }
    }
    for (auto field : ctl::kResultFields) {
        EXPECT_FALSE(bad(window.text(field))) << field << ": " << window.text(field);
    }
}

// Velocity verticals on rows 3 and 7 of a section filled on rows 0 to 9. Row 5 has N without T
// and row 6 T without N: neither is a velocity vertical, but they complete the score.
std::vector<Typed> twoVerticalSection() {
    return {{"0", "0"},
            {"2", "0.5"},
            {"4", "1.0"},
            {"6", "1.2", "0.6", "12", "100"},
            {"8", "1.4"},
            {"10", "1.5", "", "9"},
            {"12", "1.3", "", "", "100"},
            {"14", "1.1", "0.6", "10", "110"},
            {"16", "0.6"},
            {"18", "0"}};
}

TEST(VerticalMode, PartialsSitOnTheRowOfTheirLeftEndAndBanksAroundTheVerticals) {
    HeadlessWindow window("/nonexistent");
    typeRows(window, twoVerticalSection());
    computeCommand(window);
    const Sheet& sheet = window.sheet();

    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分), (std::vector<int>{2, 3, 7}));
    EXPECT_EQ(rowsWithFilled(sheet, col::部分), (std::vector<int>{2, 3, 7}));
    EXPECT_EQ(rowsWithFilled(sheet, col::部分流量), (std::vector<int>{2, 3, 7}));
    EXPECT_EQ(sheet.cell(2, col::岸边部分).rfind("0.7/", 0), 0u);
    EXPECT_EQ(sheet.cell(7, col::岸边部分).rfind("0.7/", 0), 0u);

    // Left bank: rows 0-2; between the verticals: rows 3-6; right bank: row 7 to the end.
    EXPECT_EQ(sheet.cell(2, col::部分),
              num::graded(sumOf(sheet, col::测深垂线, 0, 2), num::Grade::Area));
    EXPECT_EQ(sheet.cell(3, col::部分),
              num::graded(sumOf(sheet, col::测深垂线, 3, 6), num::Grade::Area));
    EXPECT_EQ(sheet.cell(7, col::部分),
              num::graded(sumOf(sheet, col::测深垂线, 7, sheet.rowCount() - 1), num::Grade::Area));

    // Numbering: only rows with both N and T; water edges override.
    EXPECT_EQ(sheet.cell(0, col::号数), "水边");
    EXPECT_EQ(sheet.cell(3, col::号数), "1");
    EXPECT_EQ(sheet.cell(5, col::号数), "");
    EXPECT_EQ(sheet.cell(7, col::号数), "2");
    EXPECT_EQ(sheet.cell(9, col::号数), "水边");
    // N without T: total revolutions, but no velocity.
    EXPECT_EQ(sheet.cell(5, col::总转数), "180");
    EXPECT_EQ(sheet.cell(5, col::测点流速), "");
    // Sounding-only rows carry depths, spacings and areas, no velocity.
    EXPECT_EQ(sheet.cell(4, col::平均流速), "");
    EXPECT_EQ(sheet.cell(4, col::平均水深), "1.45");
    EXPECT_EQ(sheet.cell(4, col::间距), "2.0");
    EXPECT_EQ(sheet.cell(4, col::测深垂线), "2.90");
    // The last filled row has no next row to pair with.
    EXPECT_EQ(sheet.cell(9, col::平均水深), "");
    EXPECT_EQ(sheet.cell(9, col::间距), "");
    EXPECT_EQ(window.text(ctl::水面宽), "18.0");
    EXPECT_EQ(window.text(ctl::最大水深), "1.50");
    EXPECT_EQ(window.text(ctl::致谢框), "感谢使用!");
}

TEST(VerticalMode, SingleVelocityVerticalHasTwoBankPartials) {
    HeadlessWindow window("/nonexistent");
    // Only row 2 has both N and T; the lone N and T values elsewhere complete the score.
    typeRows(window, {{"0", "0", "", "1"},
                      {"3", "0.8", "", "", "60"},
                      {"6", "1.2", "0.6", "20", "100"},
                      {"9", "0.9", "", "5"},
                      {"12", "0", "", "", "50"}});
    computeCommand(window);
    const Sheet& sheet = window.sheet();
    ASSERT_TRUE(window.messages.empty());
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分), (std::vector<int>{1, 2}));
    EXPECT_EQ(sheet.cell(2, col::号数), "1");
    // v = 0.6793 * 400 / 100 + 0.0033 = 2.7205 -> 2.72; banks 0.7 * 2.72 = 1.904 -> 1.90
    EXPECT_EQ(sheet.cell(2, col::测点流速), "2.72");
    EXPECT_EQ(sheet.cell(1, col::岸边部分), "0.7/1.90");
    EXPECT_EQ(sheet.cell(2, col::岸边部分), "0.7/1.90");
    EXPECT_EQ(sheet.cell(1, col::部分), "4.20"); // 1.20 + 3.00
    EXPECT_EQ(sheet.cell(2, col::部分), "4.50"); // 3.15 + 1.35
    EXPECT_EQ(sheet.cell(1, col::部分流量), "7.98");
    EXPECT_EQ(sheet.cell(2, col::部分流量), "8.55");
    EXPECT_EQ(window.text(ctl::断面流量), "16.5");
    EXPECT_EQ(window.text(ctl::断面面积), "8.70");
    EXPECT_EQ(window.text(ctl::平均流速), "1.90"); // 16.5 / 8.70, from the rounded texts
}

TEST(VerticalMode, SheetFilledDownToItsLastRowComputes) {
    HeadlessWindow window("/nonexistent");
    std::vector<Typed> rows;
    static const std::vector<std::string> distances = [] {
        std::vector<std::string> d;
        for (int i = 0; i < Sheet::kInitialRows; ++i) {
            d.push_back(std::to_string(i * 5));
        }
        return d;
    }();
    for (int i = 0; i < Sheet::kInitialRows; ++i) {
        const bool edge = i == 0 || i == Sheet::kInitialRows - 1;
        const bool velocity = !edge && i % 2 == 1;
        rows.push_back({distances[static_cast<std::size_t>(i)].c_str(), edge ? "0" : "1.5",
                        velocity ? "0.6" : "", velocity ? "15" : "", velocity ? "100" : ""});
    }
    typeRows(window, rows);
    computeCommand(window);
    const Sheet& sheet = window.sheet();
    const int last = sheet.rowCount() - 1;
    EXPECT_EQ(sheet.cell(last, col::号数), "水边");
    EXPECT_EQ(sheet.cell(last, col::平均水深), "");
    EXPECT_EQ(sheet.cell(last, col::间距), "");
    EXPECT_EQ(sheet.cell(last - 1, col::间距), "5.0");
    EXPECT_EQ(window.text(ctl::水面宽), "95.0");
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分).front(), 0);
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分).back(), 17);
    EXPECT_EQ(sheet.cell(17, col::部分), "11.2"); // rows 17-19: 1.5*5 + 0.75*5 + nothing
    expectNoBadTexts(window);
}

TEST(VelocityMode, TypedVelocitiesStandUnroundedAndSurfacePointsTakeTheCoefficient) {
    HeadlessWindow window("/nonexistent");
    window.setSelected(ctl::测速模式, true);
    window.setText(ctl::水面系数编辑框, "0.85");
    // Leftovers of the vertical mode in N and T must change nothing.
    typeRows(window, {{"0", "0", "", "10", "100"},
                      {"5", "1.0", "0.6", "10", "100"},
                      {"10", "1.4", "0.0", "10", "100"},
                      {"15", "1.2", "0.6"},
                      {"20", "0"}});
    Sheet& sheet = window.sheet();
    sheet.setCell(1, col::测点流速, "0.4567");
    sheet.setCell(2, col::测点流速, "0.4567");
    sheet.setCell(3, col::测点流速, "0.5");
    sheet.setCell(0, col::总转数, "stale");
    computeCommand(window);
    // Clearing them is asked first (the test window answers yes).
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "计算将清除在垂线模式下输入的 N、T 共 6 格，是否继续？");
    EXPECT_EQ(sheet.cell(0, col::号数), "水边");
    EXPECT_EQ(sheet.cell(1, col::号数), "1");
    EXPECT_EQ(sheet.cell(1, col::平均流速), "0.4567");
    EXPECT_EQ(sheet.cell(1, col::系数), "");
    EXPECT_EQ(sheet.cell(2, col::系数), "0.85");
    EXPECT_EQ(sheet.cell(2, col::平均流速), "0.39");
    EXPECT_EQ(sheet.cell(3, col::平均流速), "0.5");
    EXPECT_EQ(sheet.cell(1, col::测点流速), "0.4567"); // typed, never rewritten
    EXPECT_EQ(sheet.cell(0, col::总转数), "");         // cleared with the computed columns
    EXPECT_EQ(sheet.cell(0, col::N), "");              // N and T are not typed here
    EXPECT_EQ(sheet.cell(1, col::相对), "0.6");        // typed columns are kept
    // Partial between 0.4567 and 0.39 is graded: (0.4567 + 0.39) / 2 = 0.42335 -> 0.42
    EXPECT_EQ(sheet.cell(1, col::岸边部分), "0.42");
    EXPECT_EQ(sheet.cell(0, col::岸边部分), "0.7/0.32"); // 0.31969 -> 0.32
    EXPECT_EQ(window.text(ctl::最大流速), "0.50");       // from the typed point velocities
    EXPECT_EQ(window.text(ctl::致谢框), "感谢使用!");
}

TEST(VelocityMode, VelocityWithoutDistanceOrDepthStillCountsForThePartials) {
    HeadlessWindow window("/nonexistent");
    window.setSelected(ctl::测速模式, true);
    typeRows(window,
             {{"0", "0"}, {"4", "1.0", "0.6"}, {"8", "1.2", "0.6"}, {"12", "0.8"}, {"16", "0"}});
    Sheet& sheet = window.sheet();
    sheet.setCell(1, col::测点流速, "1.0");
    sheet.setCell(2, col::测点流速, "1.2");
    sheet.setCell(6, col::测点流速, "0.8"); // no distance or depth on row 6
    computeCommand(window);
    EXPECT_EQ(sheet.cell(6, col::号数), "3");
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分), (std::vector<int>{0, 1, 2, 6}));
    EXPECT_EQ(sheet.cell(2, col::岸边部分), "1.00");
    EXPECT_EQ(sheet.cell(6, col::岸边部分), "0.7/0.56");
    EXPECT_EQ(sheet.cell(6, col::间距), "");
}

TEST(ComputeCommand, IncompleteInputComputesNothingAndLeavesNoForm) {
    HeadlessWindow window("/nonexistent");
    typeRows(window, twoVerticalSection());
    computeCommand(window);
    ASSERT_EQ(window.text(ctl::致谢框), "感谢使用!");
    ASSERT_TRUE(window.isEnabled(ctl::导出Excel));

    window.setText(ctl::信号转数编辑框, "");
    computeCommand(window);
    const Sheet& sheet = window.sheet();
    for (int c : {0, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) {
        EXPECT_TRUE(rowsWithFilled(sheet, c).empty()) << "column " << c;
    }
    for (auto field : ctl::kResultFields) {
        EXPECT_EQ(window.text(field), "") << field;
    }
    // Nothing of the previous run may look final: no thanks, no form.
    EXPECT_EQ(window.text(ctl::致谢框), "");
    EXPECT_FALSE(window.isEnabled(ctl::导出Excel));
    EXPECT_FALSE(window.isEnabled(ctl::打印));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_NE(window.status().find("信号转数"), std::string::npos);

    // The same empty field does not matter in the velocity-measurement mode.
    window.setSelected(ctl::测速模式, true);
    window.sheet().setCell(3, col::测点流速, "1.0");
    window.sheet().setCell(5, col::测点流速, "1.1");
    window.sheet().setCell(7, col::测点流速, "0.9");
    computeCommand(window);
    EXPECT_FALSE(window.text(ctl::断面流量).empty());
}

TEST(ComputeCommand, FourDistancesAreNotEnough) {
    HeadlessWindow window("/nonexistent");
    auto rows = twoVerticalSection();
    for (std::size_t r = 4; r < rows.size(); ++r) {
        rows[r].distance = "";
    }
    typeRows(window, rows);
    computeCommand(window);
    EXPECT_EQ(window.text(ctl::断面流量), "");
    EXPECT_TRUE(rowsWithFilled(window.sheet(), col::号数).empty());
    EXPECT_NE(window.status().find("起点距"), std::string::npos);
}

TEST(ComputeCommand, RefusesWhatCannotBeComputedBeforeWritingAnything) {
    struct Case {
        const char* what;
        std::vector<Typed> rows;
        const char* expectedInMessage;
    };
    auto zeroT = twoVerticalSection();
    zeroT[7].t = "0";
    auto textT = twoVerticalSection();
    textT[3].t = "abc";
    auto hugeDepth = twoVerticalSection();
    hugeDepth[4].depth = "1e400";
    const std::vector<Case> cases{
        {"no velocity vertical",
         {{"0", "0", "", "1"},
          {"2", "1", "", "1"},
          {"4", "1", "", "1"},
          {"6", "1", "", "", "9"},
          {"8", "1", "", "", "9"},
          {"10", "0", "", "", "9"}},
         "没有测速垂线"},
        {"first velocity vertical on row 0",
         {{"0", "1", "0.6", "10", "100"},
          {"2", "1", "0.6", "10", "100"},
          {"4", "1", "0.6", "10", "100"},
          {"6", "1"},
          {"8", "0"}},
         "第 1 行"},
        // The same on the right bank: the last velocity vertical on the last row typed.
        {"last velocity vertical on the last row",
         {{"0", "0"},
          {"2", "1"},
          {"4", "1", "0.6", "10", "100"},
          {"6", "1", "0.6", "10", "100"},
          {"8", "1", "0.6", "10", "100"}},
         "最后一条测速垂线（第 5 行）之下没有水边行，无法计算右岸部分。请在第 6 行填写右岸水边"},
        {"T of zero", zeroT, "第 8 行“T”"},
        {"T not a number", textT, "第 4 行“T”"},
        {"depth beyond a double", hugeDepth, "第 5 行“水深”"},
    };
    for (const auto& c : cases) {
        HeadlessWindow window("/nonexistent");
        typeRows(window, c.rows);
        computeCommand(window);
        ASSERT_EQ(window.messages.size(), 1u) << c.what;
        EXPECT_EQ(window.messages[0].title, "提示：") << c.what;
        EXPECT_NE(window.messages[0].text.find(c.expectedInMessage), std::string::npos)
            << c.what << ": " << window.messages[0].text;
        for (int column : {0, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) {
            EXPECT_TRUE(rowsWithFilled(window.sheet(), column).empty()) << c.what << " " << column;
        }
        EXPECT_EQ(window.text(ctl::致谢框), "") << c.what;
        // Nothing computed, no form.
        EXPECT_FALSE(window.isEnabled(ctl::打印)) << c.what;
    }
}

TEST(ComputeCommand, ResultsBeyondADoubleAreTakenBack) {
    HeadlessWindow window("/nonexistent");
    typeRows(window, twoVerticalSection());
    window.setText(ctl::计算公式编辑框01, "1e306");
    window.sheet().setCell(3, col::N, "1e10");
    computeCommand(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("超出数值范围"), std::string::npos);
    EXPECT_TRUE(rowsWithFilled(window.sheet(), col::测点流速).empty());
    EXPECT_EQ(window.text(ctl::断面流量), "");
    expectNoBadTexts(window);
}

TEST(ComputeCommand, SumsBeyondADoubleAreTakenBackToo) {
    HeadlessWindow window("/nonexistent");
    auto rows = twoVerticalSection();
    for (std::size_t r = 1; r + 1 < rows.size(); ++r) {
        rows[r].depth = "1e307"; // every area is finite, their sum is not
    }
    typeRows(window, rows);
    computeCommand(window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("超出数值范围"), std::string::npos);
    EXPECT_EQ(window.text(ctl::断面面积), "");
    EXPECT_EQ(window.text(ctl::断面流量), "");
    EXPECT_TRUE(rowsWithFilled(window.sheet(), col::部分).empty());
    expectNoBadTexts(window);
}

TEST(ComputeCommand, ZeroAreaOrWidthLeavesTheMeansEmpty) {
    HeadlessWindow window("/nonexistent");
    // Every depth is a water edge: areas are zero, the width is not.
    typeRows(window, {{"0", "0"},
                      {"2", "0", "0.6", "10", "100"},
                      {"4", "0", "0.6", "10", "100"},
                      {"6", "0", "0.6", "10", "100"},
                      {"8", "0"}});
    computeCommand(window);
    EXPECT_EQ(window.text(ctl::断面面积), "0.00");
    EXPECT_EQ(window.text(ctl::断面流量), "0.000");
    EXPECT_EQ(window.text(ctl::平均流速), "");
    EXPECT_EQ(window.text(ctl::平均水深), "0.00");
    expectNoBadTexts(window);

    // Every distance the same: the width is zero.
    HeadlessWindow narrow("/nonexistent");
    typeRows(narrow, {{"5", "0"},
                      {"5", "1", "0.6", "10", "100"},
                      {"5", "1", "0.6", "10", "100"},
                      {"5", "1", "0.6", "10", "100"},
                      {"5", "0"}});
    computeCommand(narrow);
    EXPECT_EQ(narrow.text(ctl::水面宽), "0.0");
    EXPECT_EQ(narrow.text(ctl::平均水深), "");
    expectNoBadTexts(narrow);
}

TEST(ComputeCommand, DepthAndRelativePositionMarkersAreExactTexts) {
    HeadlessWindow window("/nonexistent");
    typeRows(window, {{"0", "0"},
                      {"2", "0.0", "0.6", "10", "100"},
                      {"4", "1.0", "0", "10", "100"},
                      {"6", "1.0", "0.00", "10", "100"},
                      {"8", "1.0", "0.0", "10", "100"},
                      {"10", "0"}});
    computeCommand(window);
    const Sheet& sheet = window.sheet();
    EXPECT_EQ(sheet.cell(1, col::号数), "1"); // "0.0" is a depth, not a water edge
    EXPECT_EQ(sheet.cell(2, col::系数), "");  // only "0.0" is a surface point
    EXPECT_EQ(sheet.cell(3, col::系数), "");
    EXPECT_EQ(sheet.cell(4, col::系数), "0.6");
}

} // namespace
} // namespace tarnelo
