// What a hydrologist would dispute in the figures of small channels and reverse flow: spacings
// typed in centimetres, negative partials, and how a station weighs 三点法.
#include "compute/compute.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnelo {
namespace {

// A row as typed in 测速模式: 起点距, 水深, 相对, 测点流速.
GaugingRow point(const char* distance, const char* depth, const char* relative = "",
                 const char* velocity = "") {
    return {distance, depth, relative, "", "", velocity};
}

Gauging velocityMode(std::vector<GaugingRow> rows) {
    Gauging gauging;
    gauging.mode = EntryMode::Velocity;
    gauging.rows = std::move(rows);
    return gauging;
}

// A 1.19 m canal with verticals 0.24 m apart, measured with a tape in centimetres.
Gauging canal() {
    return velocityMode({point("0", "0"), point("0.24", "0.40", "0.6", "0.50"),
                         point("0.48", "0.50", "0.6", "0.60"), point("0.72", "0.50", "0.6", "0.60"),
                         point("0.96", "0.40", "0.6", "0.50"), point("1.19", "0")});
}

std::vector<std::string> column(const Computation& computed, int c) {
    std::vector<std::string> texts;
    for (int r = 0; r < computed.table.rowCount(); ++r) {
        texts.push_back(computed.table.cell(r, c));
    }
    return texts;
}

// Spacings keep the centimetres they were typed in; the areas, the discharge and the width are
// built on them (with 0.1 m spacings the canal read 0.2 m a spacing, 1.0 m wide and Q 0.188,
// −18 %). The spacing notice names the same width the results show.
TEST(SmallChannel, CentimetreSpacingsKeepTheirDigitsAndTheNoticeAgreesWithTheWidth) {
    const Computation computed = compute(canal());
    ASSERT_TRUE(computed.computed()) << computed.message;
    EXPECT_EQ(column(computed, col::间距),
              (std::vector<std::string>{"0.24", "0.24", "0.24", "0.24", "0.23", ""}));
    EXPECT_EQ(column(computed, col::测深垂线),
              (std::vector<std::string>{"0.05", "0.11", "0.12", "0.11", "0.05", ""}));
    // 0.35·0.05, 0.55·0.11, 0.60·0.12, 0.55·0.11, 0.35·0.05, ties to even.
    EXPECT_EQ(column(computed, col::部分流量),
              (std::vector<std::string>{"0.018", "0.060", "0.072", "0.060", "0.018", ""}));
    EXPECT_EQ(computed.results[res::断面流量], "0.228");
    EXPECT_EQ(computed.results[res::断面面积], "0.44");
    EXPECT_EQ(computed.results[res::水面宽], "1.19");
    EXPECT_EQ(computed.results[res::平均水深], "0.37");
    bool noticed = false;
    for (const Finding& f : computed.findings) {
        if (f.reason.find("占水面宽") != std::string::npos) {
            noticed = true;
            EXPECT_NE(f.reason.find("占水面宽 1.19 米"), std::string::npos) << f.reason;
        }
    }
    EXPECT_TRUE(noticed) << "four spacings of 20 % of the width are noticed";

    // Millimetres are kept too; whole decimetres, however typed, keep the graded 0.1 m.
    Gauging fine = canal();
    fine.rows[5].distance = "1.195";
    EXPECT_EQ(compute(fine).results[res::水面宽], "1.195");
    const char* decimetres[] = {"0", "0.20", "0.5", "0.70", "1.0", "1.20"};
    for (std::size_t r = 0; r < fine.rows.size(); ++r) {
        fine.rows[r].distance = decimetres[r];
    }
    EXPECT_EQ(compute(fine).table.cell(1, col::间距), "0.3");
}

// A reverse-flow vertical: its mean, the partial velocities and discharges beside it are graded
// by their magnitude (−0.158 read −0.16 as 0.158 reads 0.16).
TEST(SmallChannel, ReverseFlowIsGradedByItsMagnitude) {
    Gauging reverse = canal();
    reverse.rows[1].velocity = "-0.316";
    reverse.rows[2].velocity = "0";
    const Computation computed = compute(reverse);
    ASSERT_TRUE(computed.computed()) << computed.message;
    // Left bank 0.7·(−0.316) = −0.2212; (−0.316 + 0)/2 = −0.158.
    EXPECT_EQ(computed.table.cell(0, col::岸边部分), "0.7/-0.22");
    EXPECT_EQ(computed.table.cell(1, col::岸边部分), "-0.16");
    EXPECT_EQ(computed.table.cell(1, col::部分流量), "-0.018"); // −0.16·0.11 = −0.0176
    EXPECT_EQ(computed.table.cell(0, col::部分流量), "-0.011"); // −0.22·0.05 = −0.011
}

// A vertical of three points: (V0.2 + V0.6 + V0.8)/3 unless the station weighs them as ISO 748
// does, (V0.2 + 2V0.6 + V0.8)/4; the gauging carries the choice, so the same gauging with the
// same choice always gives the same figures.
TEST(ThreePointRule, TheStationsChoiceWeighsTheMiddlePoint) {
    Gauging gauging = velocityMode({point("0", "0"), point("1.0", "1.0", "0.2", "0.50"),
                                    point("", "", "0.6", "0.80"), point("", "", "0.8", "0.40"),
                                    point("2.0", "1.2", "0.6", "0.60"),
                                    point("3.0", "1.0", "0.6", "0.50"), point("4.0", "0")});
    const Computation equal = compute(gauging);
    ASSERT_TRUE(equal.computed()) << equal.message;
    EXPECT_EQ(equal.table.cell(1, col::平均流速), "0.57"); // 1.70/3 = 0.5667
    gauging.threePoint = ThreePointRule::Iso748;
    const Computation iso = compute(gauging);
    ASSERT_TRUE(iso.computed()) << iso.message;
    EXPECT_EQ(iso.table.cell(1, col::平均流速), "0.62"); // 2.50/4 = 0.625, tie to even
    EXPECT_EQ(iso.table.cell(4, col::平均流速), "0.60"); // one point: unchanged
    EXPECT_NE(iso.results[res::断面流量], equal.results[res::断面流量]);
}

} // namespace
} // namespace tarnelo
