// Several points on a vertical, worked by hand to the last digit: a two-point and a five-point
// gauging, each in both entry modes, what the checks say of point rows that make no method, and
// the record form with every point on a line of its own.
#include "compute/compute.hpp"
#include "files/gauging_file.hpp"
#include "platform/system/scratch.hpp"
#include "platform/workbook/workbook.hpp"
#include "report/record_form.hpp"
#include "support/form_folder.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

using Texts = std::array<const char*, kRecordColumns>;

// A row as typed: 起点距, 水深, 相对, N, T, 测点流速.
GaugingRow typed(const char* distance, const char* depth, const char* relative = "",
                 const char* n = "", const char* t = "", const char* velocity = "") {
    return {distance, depth, relative, n, t, velocity};
}

void expectRow(const Computation& computed, int row, const Texts& expected) {
    for (int c = 0; c < kRecordColumns; ++c) {
        EXPECT_EQ(computed.table.cell(row, c), expected[static_cast<std::size_t>(c)])
            << "row " << row + 1 << " column " << columnHeading(c);
    }
}

void expectResults(const Computation& computed, const std::array<const char*, 7>& expected) {
    ASSERT_TRUE(computed.computed()) << computed.message;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(computed.results[i], expected[i]) << kResultNames[i];
    }
}

// The same gauging typed in 测速模式: each point velocity as the vertical mode computed it.
Gauging asVelocityMode(const Gauging& gauging, const Computation& computed) {
    Gauging velocity = gauging;
    velocity.mode = EntryMode::Velocity;
    for (std::size_t r = 0; r < velocity.rows.size(); ++r) {
        GaugingRow& row = velocity.rows[r];
        row.velocity = computed.table.cell(static_cast<int>(r), col::测点流速);
        row.signalCount.clear();
        row.seconds.clear();
    }
    return velocity;
}

// 二点法, 垂线模式: V = K·(R·N)/T + C with R = 20, K = 0.2505, C = 0.0050; each point velocity
// rounded to 2 decimals, then the vertical's mean (V_0.2 + V_0.8)/2 of the rounded velocities,
// rounded again, ties to even.
//   row 2: 20·18 = 360, 0.2505·360/105 + 0.005 = 0.86386 → 0.86
//   row 3: 20·13 = 260, 0.2505·260/110 + 0.005 = 0.59709 → 0.60;  V_m = (0.86+0.60)/2 = 0.73
//   row 4: 20·20 = 400, 0.2505·400/100 + 0.005 = 1.00700 → 1.01
//   row 5: 20·15 = 300, 0.2505·300/104 + 0.005 = 0.72760 → 0.73;  V_m = (1.01+0.73)/2 = 0.87
//   row 6: 20·17 = 340, 0.2505·340/102 + 0.005 = 0.84000 → 0.84
//   row 7: 20·12 = 240, 0.2505·240/106 + 0.005 = 0.57217 → 0.57;  V_m = 0.705 → 0.70 (even)
// 测点深 = 水深 of the vertical × 相对: 2.40 → 0.48, 1.92; 3.10 → 0.62, 2.48; 2.60 → 0.52, 2.08.
// Partial velocities: left 0.7·0.73 = 0.511 → 0.51; (0.73+0.87)/2 = 0.80;
// (0.87+0.70)/2 = 0.785 → 0.78 (even); right 0.8·0.70 = 0.56.
// Between the verticals, point rows passed over: mean depths (0+2.40)/2 = 1.20,
// (2.40+3.10)/2 = 2.75, (3.10+2.60)/2 = 2.85, (2.60+0)/2 = 1.30; spacings 5.0, 5.0, 5.0, 4.5;
// areas 6.00, 13.75 → 13.8 (even), 14.25 → 14.2 (even), 5.85.
// Partial discharges 0.51·6.00 = 3.06, 0.80·13.8 = 11.04 → 11.0, 0.78·14.2 = 11.076 → 11.1,
// 0.56·5.85 = 3.276 → 3.28. Q = 28.44 → 28.4; A = 39.85 → 39.8 (even); V = 28.4/39.8 = 0.7136
// → 0.71; B = 19.5; mean depth 39.8/19.5 = 2.041 → 2.04; largest 1.01 and 3.10.
Gauging twoPointGauging() {
    Gauging gauging;
    gauging.coefficients = {"0.85", "0.7", "0.8", "20", "0.2505", "0.0050"};
    gauging.rows = {typed("0.0", "0"),
                    typed("5.0", "2.40", "0.2", "18", "105"),
                    typed("", "", "0.8", "13", "110"),
                    typed("10.0", "3.10", "0.2", "20", "100"),
                    typed("", "", "0.8", "15", "104"),
                    typed("15.0", "2.60", "0.2", "17", "102"),
                    typed("", "", "0.8", "12", "106"),
                    typed("19.5", "0")};
    return gauging;
}

void expectTwoPointColumns(const Computation& c, bool counted) {
    const auto n = [&](const char* text) { return counted ? text : ""; };
    expectRow(c, 0,
              {"水边", "0.0", "0", "", "", "", "", "", "", "", "", "0.7/0.51", "1.20", "5.0",
               "6.00", "6.00", "3.06"});
    expectRow(c, 1,
              {"1", "5.0", "2.40", "0.2", "0.48", n("18"), n("105"), n("360"), "0.86", "", "0.73",
               "0.80", "2.75", "5.0", "13.8", "13.8", "11.0"});
    expectRow(c, 2,
              {"", "", "", "0.8", "1.92", n("13"), n("110"), n("260"), "0.60", "", "", "", "", "",
               "", "", ""});
    expectRow(c, 3,
              {"2", "10.0", "3.10", "0.2", "0.62", n("20"), n("100"), n("400"), "1.01", "", "0.87",
               "0.78", "2.85", "5.0", "14.2", "14.2", "11.1"});
    expectRow(c, 4,
              {"", "", "", "0.8", "2.48", n("15"), n("104"), n("300"), "0.73", "", "", "", "", "",
               "", "", ""});
    expectRow(c, 5,
              {"3", "15.0", "2.60", "0.2", "0.52", n("17"), n("102"), n("340"), "0.84", "", "0.70",
               "0.8/0.56", "1.30", "4.5", "5.85", "5.85", "3.28"});
    expectRow(c, 6,
              {"", "", "", "0.8", "2.08", n("12"), n("106"), n("240"), "0.57", "", "", "", "", "",
               "", "", ""});
    expectRow(c, 7, {"水边", "19.5", "0", "", "", "", "", "", "", "", "", "", "", "", "", "", ""});
    expectResults(c, {"28.4", "39.8", "0.71", "1.01", "19.5", "2.04", "3.10"});
}

TEST(PointMethods, TwoPointVerticalsComputeToTheLastDigitInBothModes) {
    const Gauging gauging = twoPointGauging();
    const Computation counted = compute(gauging);
    expectTwoPointColumns(counted, true);
    // Three verticals only: the partials' share and the verticals' spacing are what the checks
    // say.
    ASSERT_EQ(counted.findings.size(), 2U) << findingList(counted.findings);
    EXPECT_EQ(counted.findings[0].column, col::起点距);
    EXPECT_EQ(counted.findings[1].column, col::部分流量);

    const Computation typedVelocities = compute(asVelocityMode(gauging, counted));
    expectTwoPointColumns(typedVelocities, false);

    // The uncertainty reads both points of each vertical.
    ASSERT_EQ(counted.section.velocityVerticalCount(), 3);
    for (const SectionVertical& v : counted.section.verticals) {
        EXPECT_EQ(v.points.size(), v.velocityVertical ? 2U : 0U) << "row " << v.row + 1;
    }
}

// 五点法, 测速模式: V_m = (V_0.0 + 3V_0.2 + 3V_0.6 + 2V_0.8 + V_1.0)/10 of the typed velocities;
// the surface point enters as measured, without 水面系数.
//   row 2: 1.12 + 3·1.08 + 3·0.95 + 2·0.81 + 0.52 = 9.35,  /10 = 0.935 → 0.94 (even)
//   row 7: 1.30 + 3·1.26 + 3·1.10 + 2·0.94 + 0.66 = 10.92, /10 = 1.092 → 1.09
//   row 12: 1.18 + 3·1.15 + 3·1.01 + 2·0.86 + 0.65 = 10.03, /10 = 1.003 → 1.00
// 测点深: 3.20 → 0.00 0.64 1.92 2.56 3.20; 4.00 → 0.00 0.80 2.40 3.20 4.00;
// 3.50 → 0.00 0.70 2.10 2.80 3.50.
// Partial velocities: 0.7·0.94 = 0.658 → 0.66; (0.94+1.09)/2 = 1.015 → 1.02 (even);
// (1.09+1.00)/2 = 1.045 → 1.04 (even); 0.7·1.00 = 0.70.
// Mean depths 1.60, 3.60, 3.75, 1.75; spacings 4.0; areas 6.40, 14.4, 15.0, 7.00.
// Partial discharges 0.66·6.40 = 4.224 → 4.22, 1.02·14.4 = 14.688 → 14.7, 1.04·15.0 = 15.6,
// 0.70·7.00 = 4.90. Q = 39.42 → 39.4; A = 42.8; V = 39.4/42.8 = 0.9206 → 0.92; B = 16.0;
// mean depth 42.8/16.0 = 2.675 → 2.68 (even); largest 1.30 and 4.00.
// In 垂线模式 the same velocities come from R = 1, K = 1, C = 0 and T = 100 s: N = 100·V.
Gauging fivePointGauging(EntryMode mode) {
    const std::vector<std::pair<const char*, const char*>> points[3] = {
        {{"0.0", "1.12"}, {"0.2", "1.08"}, {"0.6", "0.95"}, {"0.8", "0.81"}, {"1.0", "0.52"}},
        {{"0.0", "1.30"}, {"0.2", "1.26"}, {"0.6", "1.10"}, {"0.8", "0.94"}, {"1.0", "0.66"}},
        {{"0.0", "1.18"}, {"0.2", "1.15"}, {"0.6", "1.01"}, {"0.8", "0.86"}, {"1.0", "0.65"}}};
    const char* places[3][2] = {{"4.0", "3.20"}, {"8.0", "4.00"}, {"12.0", "3.50"}};
    Gauging gauging;
    gauging.mode = mode;
    gauging.coefficients = {"0.85", "0.7", "0.7", "1", "1", "0"};
    gauging.rows.push_back(typed("0.0", "0"));
    for (int v = 0; v < 3; ++v) {
        for (std::size_t i = 0; i < points[v].size(); ++i) {
            GaugingRow row = i == 0 ? typed(places[v][0], places[v][1]) : typed("", "");
            row.relative = points[v][i].first;
            const std::string velocity = points[v][i].second;
            if (mode == EntryMode::Velocity) {
                row.velocity = velocity;
            } else {
                row.signalCount = std::to_string(std::stoi(velocity.substr(0, 1)) * 100 +
                                                 std::stoi(velocity.substr(2)));
                row.seconds = "100";
            }
            gauging.rows.push_back(row);
        }
    }
    gauging.rows.push_back(typed("16.0", "0"));
    return gauging;
}

TEST(PointMethods, FivePointVerticalsComputeToTheLastDigitInBothModes) {
    for (const EntryMode mode : {EntryMode::Velocity, EntryMode::Vertical}) {
        SCOPED_TRACE(std::string(entryModeName(mode)));
        const Computation c = compute(fivePointGauging(mode));
        expectResults(c, {"39.4", "42.8", "0.92", "1.30", "16.0", "2.68", "4.00"});
        const int heads[3] = {1, 6, 11};
        const char* means[3] = {"0.94", "1.09", "1.00"};
        const char* partial[3] = {"1.02", "1.04", "0.7/0.70"};
        const char* depths[3][5] = {{"0.00", "0.64", "1.92", "2.56", "3.20"},
                                    {"0.00", "0.80", "2.40", "3.20", "4.00"},
                                    {"0.00", "0.70", "2.10", "2.80", "3.50"}};
        for (int v = 0; v < 3; ++v) {
            EXPECT_EQ(c.table.cell(heads[v], col::号数), std::to_string(v + 1));
            EXPECT_EQ(c.table.cell(heads[v], col::平均流速), means[v]);
            EXPECT_EQ(c.table.cell(heads[v], col::岸边部分), partial[v]);
            for (int p = 0; p < 5; ++p) {
                const int r = heads[v] + p;
                EXPECT_EQ(c.table.cell(r, col::测点深), depths[v][p]) << "row " << r + 1;
                // Every point enters as measured: no surface coefficient.
                EXPECT_EQ(c.table.cell(r, col::系数), "") << "row " << r + 1;
                if (p > 0) {
                    EXPECT_EQ(c.table.cell(r, col::号数), "");
                    EXPECT_EQ(c.table.cell(r, col::平均流速), "");
                }
            }
        }
        EXPECT_EQ(c.table.cell(0, col::岸边部分), "0.7/0.66");
        const char* discharges[4] = {"4.22", "14.7", "15.6", "4.90"};
        const int partialRows[4] = {0, 1, 6, 11};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(c.table.cell(partialRows[k], col::部分流量), discharges[k]);
        }
        if (mode == EntryMode::Vertical) {
            EXPECT_EQ(c.table.cell(2, col::测点流速), "1.08");
            EXPECT_EQ(c.table.cell(2, col::总转数), "108");
        }
    }
}

std::vector<std::string> findingsAt(const Computation& c, int row, int column) {
    std::vector<std::string> reasons;
    for (const Finding& f : c.findings) {
        if (f.row == row && f.column == column) {
            reasons.push_back(std::string(severityName(f.severity)) + " " + f.reason);
        }
    }
    return reasons;
}

TEST(PointMethods, PointsThatMakeNoMethodAreErrorsOnTheirCellsAndNothingIsComputed) {
    const auto expectRefused = [](const Gauging& g, int row, const std::string& error,
                                  const std::string& refusal) {
        const Computation c = compute(g);
        EXPECT_EQ(c.status, Computation::Status::Refused);
        EXPECT_NE(c.message.find(refusal), std::string::npos) << c.message;
        EXPECT_EQ(c.results[res::断面流量], "");
        const std::vector<std::string> here = findingsAt(c, row, col::相对);
        ASSERT_EQ(here.size(), 1U) << findingList(c.findings);
        EXPECT_NE(here.front().find(error), std::string::npos) << here.front();
        // The rows are saved as typed, and read back the same.
        const auto written = gaugingFileBytes(g, g.headerPart);
        ASSERT_TRUE(written.bytes.has_value()) << written.problem;
        EXPECT_EQ(readGaugingBytes(*written.bytes, "points.dat").gauging.rows, g.rows);
    };

    Gauging repeated = twoPointGauging();
    repeated.rows[4].relative = "0.2";
    expectRefused(repeated, 4, "错误 同一条垂线上相对位置 0.2 重复",
                  "第 2 条测速垂线（第 4 行）的相对位置 0.2 重复");

    Gauging unknown = twoPointGauging();
    unknown.rows[4].relative = "0.6";
    expectRefused(unknown, 3, "错误 这条垂线的测点位置 0.2、0.6 不成规范的测点组合",
                  "第 2 条测速垂线（第 4 行）的测点位置 0.2、0.6 不成规范的测点组合");

    Gauging underSounding = twoPointGauging();
    underSounding.rows[3].signalCount.clear();
    underSounding.rows[3].seconds.clear();
    underSounding.rows[3].relative.clear();
    expectRefused(underSounding, 4, "错误 测点行（起点距、水深为空）不能接在测深垂线之下",
                  "第 5 行是测点行（起点距、水深为空），但上面第 4 行是没有测速的测深垂线");

    // A lone 0.8 among multi-point verticals is no method either.
    Gauging lone = twoPointGauging();
    lone.rows.erase(lone.rows.begin() + 4);
    lone.rows[3].relative = "0.8";
    expectRefused(lone, 3, "不成规范的测点组合", "测点位置 0.8 不成");

    // 0.8 written above 0.2: a notice, and the mean of the two all the same.
    Gauging upsideDown = twoPointGauging();
    std::swap(upsideDown.rows[3].relative, upsideDown.rows[4].relative);
    std::swap(upsideDown.rows[3].signalCount, upsideDown.rows[4].signalCount);
    std::swap(upsideDown.rows[3].seconds, upsideDown.rows[4].seconds);
    const Computation swapped = compute(upsideDown);
    ASSERT_TRUE(swapped.computed()) << swapped.message;
    EXPECT_EQ(swapped.table.cell(3, col::测点流速), "0.73");
    EXPECT_EQ(swapped.table.cell(3, col::测点深), "2.48");
    EXPECT_EQ(swapped.table.cell(3, col::平均流速), "0.87");
    EXPECT_EQ(swapped.results[res::断面流量], "28.4");
    EXPECT_EQ(
        findingsAt(swapped, 3, col::相对),
        std::vector<std::string>{
            "注意 测点位置 0.8、0.2 未按从水面到河底的次序填写；垂线平均流速仍按各点的位置计算"});

    // Two points 0.09 m apart on a vertical 0.15 m deep: closer than a rotor.
    Gauging shallow = twoPointGauging();
    shallow.rows[5].depth = "0.15";
    const Computation close = compute(shallow);
    ASSERT_TRUE(close.computed()) << close.message;
    const std::vector<std::string> near = findingsAt(close, 5, col::水深);
    ASSERT_EQ(near.size(), 1U) << findingList(close.findings);
    EXPECT_NE(near.front().find("相邻测点仅相距 0.09 米"), std::string::npos) << near.front();
    EXPECT_NE(near.front().find("GB 50179-2015 B.3.1"), std::string::npos);

    // A lone 0.2 among multi-point verticals: the coefficient is assumed, and said so.
    Gauging assumed = twoPointGauging();
    assumed.rows.erase(assumed.rows.begin() + 6);
    const Computation lone02 = compute(assumed);
    ASSERT_TRUE(lone02.computed()) << lone02.message;
    EXPECT_EQ(lone02.table.cell(5, col::平均流速), "0.84");
    const std::vector<std::string> said = findingsAt(lone02, 5, col::相对);
    ASSERT_EQ(said.size(), 1U);
    EXPECT_NE(said.front().find("假定为 1（经验值）"), std::string::npos) << said.front();
}

// A lone point where no method measures is the same error, and the same refusal, whether the
// gauging has point rows or one point a vertical; 0.2, 0.5, 0.6 and the surface still compute.
TEST(PointMethods, ALonePointOfNoMethodIsAnErrorInAOnePointGaugingToo) {
    Gauging g;
    g.mode = EntryMode::Vertical;
    g.coefficients = {"0.85", "0.7", "0.7", "20", "0.2505", "0.005"};
    g.rows = {typed("0", "0"), typed("5", "1.2", "0.6", "12", "100"),
              typed("10", "1.8", "0.6", "15", "100"), typed("15", "1.5", "0.6", "13", "100"),
              typed("20", "0")};
    for (const char* position : {"0.06", "0.4", "0.9", "1.0"}) {
        SCOPED_TRACE(position);
        g.rows[2].relative = position;
        const Computation c = compute(g);
        EXPECT_EQ(c.status, Computation::Status::Refused);
        EXPECT_NE(c.message.find("第 2 条测速垂线（第 3 行）的测点位置 " + std::string(position) +
                                 " 不成规范的测点组合"),
                  std::string::npos)
            << c.message;
        const std::vector<std::string> here = findingsAt(c, 2, col::相对);
        ASSERT_EQ(here.size(), 1U) << findingList(c.findings);
        EXPECT_EQ(here.front().rfind("错误 这条垂线的测点位置 " + std::string(position) +
                                         " 不成规范的测点组合",
                                     0),
                  0U)
            << here.front();
    }
    for (const char* position : {"0.2", "0.5", "0.60", "0", "0.0"}) {
        g.rows[2].relative = position;
        const Computation c = compute(g);
        EXPECT_TRUE(c.computed()) << position << ": " << c.message;
        EXPECT_EQ(countSeverity(c.findings, Finding::Severity::Error), 0) << position;
    }
}

// Without the right water edge the last vertical's points are the end of the sheet: refused as
// the left bank is, naming the row below the points.
TEST(PointMethods, AMissingRightWaterEdgeIsRefusedBelowTheLastPoints) {
    Gauging g = twoPointGauging();
    ASSERT_EQ(g.rows.back().depth, "0");
    g.rows.pop_back();
    g.rows.insert(g.rows.begin() + 5, typed("12.5", "2.90")); // five distances still
    const Computation c = compute(g);
    EXPECT_EQ(c.status, Computation::Status::Refused);
    EXPECT_EQ(c.message, "最后一条测速垂线（第 7 行）之下没有水边行，无法计算右岸部分。请在第 9 "
                         "行填写右岸水边（或一条测深垂线）。");
    EXPECT_EQ(c.results[res::断面流量], "");
}

// The record form has a line for every point, as the paper form: the vertical's line carries
// its numbers and its distance, the point's line its position and measurement.
TEST(PointMethods, TheFormGivesEveryPointALineOfItsOwn) {
    const testing::FormFolder folder;
    const sys::ScratchFolder scratch("tarnelo-points");
    const Gauging gauging = twoPointGauging();
    const Computation computed = compute(gauging);
    const ExportPlace place{folder.path(), scratch.path(), scratch.path() / "form.xlsx"};
    const FormOutcome made =
        exportForm(formSheetOf(gauging, computed, {}), computed.findings, place, false);
    ASSERT_EQ(made.status, FormOutcome::Status::Done) << made.message;
    EXPECT_FALSE(made.twoPages);

    std::string error;
    const auto book = xlsx::Workbook::open(place.target, error);
    ASSERT_TRUE(book) << error;
    const auto at = [&](int row, int column) { return book->cell(0, row, column).text; };
    // Form columns: A 垂线号, B 测速垂线号, C 起点距, H 水深, I 相对, J 测点深, K N, L T,
    // P 总转数, Q 测点流速, S 平均流速.
    const std::vector<std::array<std::string, 6>> lines = {
        {"水边", "", "0.0", "0", "", ""}, {"1", "1", "5.0", "2.40", "0.2", "0.86"},
        {"", "", "", "", "0.8", "0.60"},  {"2", "2", "10.0", "3.10", "0.2", "1.01"},
        {"", "", "", "", "0.8", "0.73"},  {"3", "3", "15.0", "2.60", "0.2", "0.84"},
        {"", "", "", "", "0.8", "0.57"},  {"水边", "", "19.5", "0", "", ""}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int row = 6 + static_cast<int>(i);
        SCOPED_TRACE("form row " + std::to_string(row));
        EXPECT_EQ(at(row, 1), lines[i][0]);
        EXPECT_EQ(at(row, 2), lines[i][1]);
        EXPECT_EQ(at(row, 3), lines[i][2]);
        EXPECT_EQ(at(row, 8), lines[i][3]);
        EXPECT_EQ(at(row, 9), lines[i][4]);
        EXPECT_EQ(at(row, 17), lines[i][5]);
    }
    EXPECT_EQ(at(7, 19), "0.73");
    EXPECT_EQ(at(8, 19), "");

    // The two-point example: 18 lines take the two-page form, and the method line counts the
    // velocity verticals and their points.
    const GaugingFile example = readGaugingFile(std::filesystem::path(TARNELO_SOURCE_DIR) /
                                                "examples" / "vertical-two-point.dat");
    const Computation exampleComputed = compute(example.gauging);
    const ExportPlace twoPages{folder.path(), scratch.path(), scratch.path() / "example.xlsx"};
    const FormOutcome exported =
        exportForm(formSheetOf(example.gauging, exampleComputed,
                               parseRecordHeader(example.gauging.headerPart)),
                   exampleComputed.findings, twoPages, false);
    ASSERT_EQ(exported.status, FormOutcome::Status::Done) << exported.message;
    EXPECT_TRUE(exported.twoPages);
    const auto exampleBook = xlsx::Workbook::open(twoPages.target, error);
    ASSERT_TRUE(exampleBook) << error;
    std::vector<std::string> methodLines;
    for (int row = 1; row <= 60; ++row) {
        for (int column = 1; column <= 26; ++column) {
            const std::string text = exampleBook->cell(0, row, column).text;
            if (text.find("测点总数") != std::string::npos) {
                methodLines.push_back(text);
            }
        }
    }
    ASSERT_EQ(methodLines.size(), 1U);
    EXPECT_NE(methodLines.front().find("测点总数 7 / 12"), std::string::npos)
        << methodLines.front();
}

} // namespace
} // namespace tarnelo

namespace tarnelo {
namespace {

// The bundled examples of a 二点法 and a 五点法 gauging, against a computation done apart from
// this program (decimal arithmetic, each value rounded half to even as the columns are filled):
//   vertical-two-point.dat: V_m 0.55 0.72 0.92 1.00 0.85 0.63 0.36; partial discharges 1.76
//   5.06 21.0 31.8 26.5 7.40 3.05 0.368; Q 96.9, A 118, V 0.82, B 55.5, H 2.13, 1.12, 3.40.
//   velocity-five-point.dat: V_m 0.62 1.02 1.24 1.18 0.94 0.71; partial discharges 1.18 12.3
//   80.0 97.8 32.6 14.1 1.30; Q 239, A 220, V 1.09, B 64.0, H 3.44, 1.46, 5.3.
TEST(PointMethods, TheBundledExamplesComputeAsWorkedApart) {
    struct Example {
        const char* file;
        std::vector<std::string> means;
        std::array<const char*, 7> results;
        const char* pointsNote;
    };
    const Example examples[] = {{"vertical-two-point.dat",
                                 {"0.55", "0.72", "0.92", "1.00", "0.85", "0.63", "0.36"},
                                 {"96.9", "118", "0.82", "1.12", "55.5", "2.13", "3.40"},
                                 "五点法 2.5%，二点法 3.5%"},
                                {"velocity-five-point.dat",
                                 {"0.62", "1.02", "1.24", "1.18", "0.94", "0.71"},
                                 {"239", "220", "1.09", "1.46", "64.0", "3.44", "5.3"},
                                 "五点法 2.5%"}};
    for (const Example& example : examples) {
        SCOPED_TRACE(example.file);
        const GaugingFile read =
            readGaugingFile(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / example.file);
        ASSERT_EQ(read.status, GaugingFile::Status::Opened) << read.message;
        const Computation c = compute(read.gauging);
        expectResults(c, example.results);
        std::vector<std::string> means;
        for (int r = 0; r < c.table.rowCount(); ++r) {
            if (c.table.filled(r, col::平均流速)) {
                means.push_back(c.table.cell(r, col::平均流速));
            }
        }
        EXPECT_EQ(means, example.means);
        ASSERT_TRUE(c.uncertainty.iso748.standardPercent.has_value());
        EXPECT_NE(c.uncertainty.iso748.components[1].note.find(example.pointsNote),
                  std::string::npos);
        EXPECT_EQ(countSeverity(c.findings, Finding::Severity::Error), 0)
            << findingList(c.findings);
    }
}

} // namespace
} // namespace tarnelo
