#include "compute/compute.hpp"
#include "measure/numtext.hpp"
#include "support/typed_gauging.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

using testing::rowsWithFilled;
using testing::Typed;
using testing::typedGauging;

double sumOf(const Table& sheet, int column, int first, int last) {
    double sum = 0;
    for (int r = first; r <= last; ++r) {
        sum = num::numberOf(num::plainText(sum + num::numberOf(sheet.cell(r, column))));
    }
    return sum;
}

void expectNoBadTexts(const Computation& computation) {
    const Table& sheet = computation.table;
    auto bad = [](const std::string& text) {
        return text.find("inf") != std::string::npos || text.find("nan") != std::string::npos ||
               text.rfind("-0", 0) == 0;
    };
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < kRecordColumns; ++c) {
            EXPECT_FALSE(bad(sheet.cell(r, c))) << r << "," << c << ": " << sheet.cell(r, c);
        }
    }
    for (std::size_t i = 0; i < kResultCount; ++i) {
        EXPECT_FALSE(bad(computation.result(i)))
            << kResultNames[i] << ": " << computation.result(i);
    }
}

// The columns the computation writes in the vertical mode; none is filled after a refusal.
constexpr int kComputedColumns[] = {0, 4, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

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
    const Computation computed = compute(typedGauging(twoVerticalSection()));
    ASSERT_EQ(computed.status, Computation::Status::Computed) << computed.message;
    const Table& sheet = computed.table;

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
    EXPECT_EQ(computed.result(res::水面宽), "18.0");
    EXPECT_EQ(computed.result(res::最大水深), "1.50");
    EXPECT_EQ(computed.completion, "感谢使用!");
}

TEST(VerticalMode, SingleVelocityVerticalHasTwoBankPartials) {
    // Only row 2 has both N and T; the lone N and T values elsewhere complete the score.
    const Computation computed = compute(typedGauging({{"0", "0", "", "1"},
                                                       {"3", "0.8", "", "", "60"},
                                                       {"6", "1.2", "0.6", "20", "100"},
                                                       {"9", "0.9", "", "5"},
                                                       {"12", "0", "", "", "50"}}));
    const Table& sheet = computed.table;
    ASSERT_EQ(computed.status, Computation::Status::Computed) << computed.message;
    EXPECT_EQ(computed.message, "");
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
    EXPECT_EQ(computed.result(res::断面流量), "16.5");
    EXPECT_EQ(computed.result(res::断面面积), "8.70");
    EXPECT_EQ(computed.result(res::平均流速), "1.90"); // 16.5 / 8.70, from the rounded texts
}

// Velocities keep three figures and at most three decimals: slow water below 0.1 m/s to three
// decimals, fast water of 5 to 10 m/s to two.
TEST(VerticalMode, SlowAndFastVelocitiesKeepTheirFigures) {
    const Computation computed = compute(typedGauging({{"0", "0"},
                                                       {"5", "1.0", "0.6", "1", "200"},
                                                       {"10", "1.2", "0.6", "45", "100"},
                                                       {"15", "1.0", "0.6", "10", "100"},
                                                       {"20", "0"}}));
    ASSERT_EQ(computed.status, Computation::Status::Computed) << computed.message;
    const Table& sheet = computed.table;
    // 0.6793 * 20 / 200 + 0.0033 = 0.07123; 0.6793 * 900 / 100 + 0.0033 = 6.117.
    EXPECT_EQ(sheet.cell(1, col::测点流速), "0.071");
    EXPECT_EQ(sheet.cell(1, col::平均流速), "0.071");
    EXPECT_EQ(sheet.cell(2, col::测点流速), "6.12");
    EXPECT_EQ(sheet.cell(2, col::平均流速), "6.12");
    // The left bank: 0.7 * 0.071 = 0.0497.
    EXPECT_EQ(sheet.cell(0, col::岸边部分), "0.7/0.050");
    EXPECT_EQ(computed.result(res::最大流速), "6.12");
}

TEST(VerticalMode, GaugingFilledDownToItsLastRowComputes) {
    // As many rows as a new sheet has, the last one a water edge.
    constexpr int kRows = 20;
    std::vector<Typed> rows;
    for (int i = 0; i < kRows; ++i) {
        const bool edge = i == 0 || i == kRows - 1;
        const bool velocity = !edge && i % 2 == 1;
        rows.push_back({std::to_string(i * 5), edge ? "0" : "1.5", velocity ? "0.6" : "",
                        velocity ? "15" : "", velocity ? "100" : ""});
    }
    const Computation computed = compute(typedGauging(rows));
    const Table& sheet = computed.table;
    ASSERT_EQ(sheet.rowCount(), kRows);
    const int last = sheet.rowCount() - 1;
    EXPECT_EQ(sheet.cell(last, col::号数), "水边");
    EXPECT_EQ(sheet.cell(last, col::平均水深), "");
    EXPECT_EQ(sheet.cell(last, col::间距), "");
    EXPECT_EQ(sheet.cell(last - 1, col::间距), "5.0");
    EXPECT_EQ(computed.result(res::水面宽), "95.0");
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分).front(), 0);
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分).back(), 17);
    EXPECT_EQ(sheet.cell(17, col::部分), "11.2"); // rows 17-19: 1.5*5 + 0.75*5 + nothing
    expectNoBadTexts(computed);
}

TEST(VelocityMode, TypedVelocitiesStandUnroundedAndSurfacePointsTakeTheCoefficient) {
    // Leftovers of the vertical mode in N and T must change nothing.
    Gauging gauging = typedGauging({{"0", "0", "", "10", "100"},
                                    {"5", "1.0", "0.6", "10", "100", "0.4567"},
                                    {"10", "1.4", "0.0", "10", "100", "0.4567"},
                                    {"15", "1.2", "0.6", "", "", "0.5"},
                                    {"20", "0"}},
                                   EntryMode::Velocity);
    gauging.coefficients[coef::水面系数] = "0.85";
    // Clearing them is asked first (in the window, before it computes).
    EXPECT_EQ(modeSwitchQuestion(gauging), "计算将清除在垂线模式下输入的 N、T 共 6 格，是否继续？");
    const Computation computed = compute(gauging);
    const Table& sheet = computed.table;
    ASSERT_EQ(computed.status, Computation::Status::Computed) << computed.message;
    EXPECT_EQ(sheet.cell(0, col::号数), "水边");
    EXPECT_EQ(sheet.cell(1, col::号数), "1");
    EXPECT_EQ(sheet.cell(1, col::平均流速), "0.4567");
    EXPECT_EQ(sheet.cell(1, col::系数), "");
    EXPECT_EQ(sheet.cell(2, col::系数), "0.85");
    EXPECT_EQ(sheet.cell(2, col::平均流速), "0.39");
    EXPECT_EQ(sheet.cell(3, col::平均流速), "0.5");
    EXPECT_EQ(sheet.cell(1, col::测点流速), "0.4567"); // typed, never rewritten
    EXPECT_EQ(sheet.cell(0, col::总转数), "");         // not computed in this mode
    EXPECT_EQ(sheet.cell(0, col::N), "");              // N and T are not typed here
    EXPECT_EQ(sheet.cell(1, col::相对), "0.6");        // typed columns are kept
    // Partial between 0.4567 and 0.39 is graded: (0.4567 + 0.39) / 2 = 0.42335 -> 0.42
    EXPECT_EQ(sheet.cell(1, col::岸边部分), "0.42");
    EXPECT_EQ(sheet.cell(0, col::岸边部分), "0.7/0.32"); // 0.31969 -> 0.32
    EXPECT_EQ(computed.result(res::最大流速), "0.50");   // from the typed point velocities
    EXPECT_EQ(computed.completion, "感谢使用!");
}

TEST(VelocityMode, VelocityWithoutDistanceOrDepthStillCountsForThePartials) {
    const Computation computed = compute(typedGauging({{"0", "0"},
                                                       {"4", "1.0", "0.6", "", "", "1.0"},
                                                       {"8", "1.2", "0.6", "", "", "1.2"},
                                                       {"12", "0.8"},
                                                       {"16", "0"},
                                                       {"", ""},
                                                       // no distance or depth on row 6
                                                       {"", "", "", "", "", "0.8"}},
                                                      EntryMode::Velocity));
    const Table& sheet = computed.table;
    EXPECT_EQ(sheet.cell(6, col::号数), "3");
    EXPECT_EQ(rowsWithFilled(sheet, col::岸边部分), (std::vector<int>{0, 1, 2, 6}));
    EXPECT_EQ(sheet.cell(2, col::岸边部分), "1.00");
    EXPECT_EQ(sheet.cell(6, col::岸边部分), "0.7/0.56");
    EXPECT_EQ(sheet.cell(6, col::间距), "");
}

TEST(Compute, IncompleteInputComputesNothingAndSaysWhatIsMissing) {
    Gauging gauging = typedGauging(twoVerticalSection());
    ASSERT_EQ(compute(gauging).completion, "感谢使用!");

    gauging.coefficients[coef::信号转数] = "";
    const Computation computed = compute(gauging);
    EXPECT_EQ(computed.status, Computation::Status::Incomplete);
    for (int c : kComputedColumns) {
        EXPECT_TRUE(rowsWithFilled(computed.table, c).empty()) << "column " << c;
    }
    for (std::size_t i = 0; i < kResultCount; ++i) {
        EXPECT_EQ(computed.result(i), "") << kResultNames[i];
    }
    // Nothing may look final: no thanks, and nothing for a form.
    EXPECT_EQ(computed.completion, "");
    EXPECT_FALSE(computed.computed());
    EXPECT_NE(computed.message.find("信号转数"), std::string::npos) << computed.message;
    EXPECT_NE(computationStatusLine(computed).find("信号转数"), std::string::npos);

    // The same empty field does not matter in the velocity-measurement mode.
    gauging.mode = EntryMode::Velocity;
    gauging.rows[3].velocity = "1.0";
    gauging.rows[5].velocity = "1.1";
    gauging.rows[7].velocity = "0.9";
    EXPECT_FALSE(compute(gauging).result(res::断面流量).empty());
}

TEST(Compute, FourDistancesAreNotEnough) {
    auto rows = twoVerticalSection();
    for (std::size_t r = 4; r < rows.size(); ++r) {
        rows[r].distance = "";
    }
    const Computation computed = compute(typedGauging(rows));
    EXPECT_EQ(computed.status, Computation::Status::Incomplete);
    EXPECT_EQ(computed.result(res::断面流量), "");
    EXPECT_TRUE(rowsWithFilled(computed.table, col::号数).empty());
    EXPECT_NE(computed.message.find("起点距"), std::string::npos) << computed.message;
    EXPECT_NE(computationStatusLine(computed).find("起点距"), std::string::npos);
}

TEST(Compute, RefusesWhatCannotBeComputedBeforeWritingAnything) {
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
        const Computation computed = compute(typedGauging(c.rows));
        ASSERT_EQ(computed.status, Computation::Status::Refused) << c.what;
        EXPECT_NE(computed.message.find(c.expectedInMessage), std::string::npos)
            << c.what << ": " << computed.message;
        EXPECT_EQ(computationStatusLine(computed).rfind("未计算：" + computed.message, 0), 0u)
            << c.what;
        for (int column : kComputedColumns) {
            EXPECT_TRUE(rowsWithFilled(computed.table, column).empty()) << c.what << " " << column;
        }
        // Nothing computed: no thanks, no results, nothing for a form.
        EXPECT_EQ(computed.completion, "") << c.what;
        EXPECT_EQ(computed.results, (std::array<std::string, kResultCount>{})) << c.what;
    }
}

TEST(Compute, ResultsBeyondADoubleAreTakenBack) {
    Gauging gauging = typedGauging(twoVerticalSection());
    gauging.coefficients[coef::公式系数K] = "1e306";
    gauging.rows[3].signalCount = "1e10";
    const Computation computed = compute(gauging);
    ASSERT_EQ(computed.status, Computation::Status::Refused);
    EXPECT_NE(computed.message.find("超出数值范围"), std::string::npos) << computed.message;
    EXPECT_TRUE(rowsWithFilled(computed.table, col::测点流速).empty());
    EXPECT_EQ(computed.result(res::断面流量), "");
    expectNoBadTexts(computed);
}

TEST(Compute, SumsBeyondADoubleAreTakenBackToo) {
    auto rows = twoVerticalSection();
    for (std::size_t r = 1; r + 1 < rows.size(); ++r) {
        rows[r].depth = "1e307"; // every area is finite, their sum is not
    }
    const Computation computed = compute(typedGauging(rows));
    ASSERT_EQ(computed.status, Computation::Status::Refused);
    EXPECT_NE(computed.message.find("超出数值范围"), std::string::npos) << computed.message;
    EXPECT_EQ(computed.result(res::断面面积), "");
    EXPECT_EQ(computed.result(res::断面流量), "");
    EXPECT_TRUE(rowsWithFilled(computed.table, col::部分).empty());
    for (int column : kComputedColumns) {
        EXPECT_TRUE(rowsWithFilled(computed.table, column).empty()) << column;
    }
    expectNoBadTexts(computed);
}

TEST(Compute, ZeroAreaOrWidthLeavesTheMeansEmpty) {
    // Every depth is a water edge: areas are zero, the width is not.
    const Computation flat = compute(typedGauging({{"0", "0"},
                                                   {"2", "0", "0.6", "10", "100"},
                                                   {"4", "0", "0.6", "10", "100"},
                                                   {"6", "0", "0.6", "10", "100"},
                                                   {"8", "0"}}));
    EXPECT_EQ(flat.result(res::断面面积), "0.00");
    EXPECT_EQ(flat.result(res::断面流量), "0.000");
    EXPECT_EQ(flat.result(res::平均流速), "");
    EXPECT_EQ(flat.result(res::平均水深), "0.00");
    expectNoBadTexts(flat);

    // Every distance the same: the width is zero.
    const Computation narrow = compute(typedGauging({{"5", "0"},
                                                     {"5", "1", "0.6", "10", "100"},
                                                     {"5", "1", "0.6", "10", "100"},
                                                     {"5", "1", "0.6", "10", "100"},
                                                     {"5", "0"}}));
    EXPECT_EQ(narrow.result(res::水面宽), "0.0");
    EXPECT_EQ(narrow.result(res::平均水深), "");
    expectNoBadTexts(narrow);
}

TEST(Compute, DepthAndRelativePositionMarkersAreExactTexts) {
    const Computation computed = compute(typedGauging({{"0", "0"},
                                                       {"2", "0.0", "0.6", "10", "100"},
                                                       {"4", "1.0", "0", "10", "100"},
                                                       {"6", "1.0", "0.00", "10", "100"},
                                                       {"8", "1.0", "0.0", "10", "100"},
                                                       {"10", "0"}}));
    const Table& sheet = computed.table;
    EXPECT_EQ(sheet.cell(1, col::号数), "1"); // "0.0" is a depth, not a water edge
    EXPECT_EQ(sheet.cell(2, col::系数), "");  // only "0.0" is a surface point
    EXPECT_EQ(sheet.cell(3, col::系数), "");
    EXPECT_EQ(sheet.cell(4, col::系数), "0.6");
}

} // namespace
} // namespace tarnelo
