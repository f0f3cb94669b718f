// The checks of the meter and of the velocity verticals, by kind. The bundled examples are
// checks_test.cpp's (ChecksOnSoundSheets).
#include "checks/checks.hpp"
#include "compute/compute.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnelo {
namespace {

using Texts = std::vector<std::string>;

// Ten velocity verticals at 0.6, 10 m apart between water edges at 0 and 110 m (9 % of it).
Gauging section(EntryMode mode) {
    const bool typed = mode == EntryMode::Velocity;
    Gauging g;
    g.mode = mode;
    g.coefficients[coef::水面系数] = "0.85";
    g.rows.push_back({"0", "0", "", "", "", ""});
    for (int i = 1; i <= 10; ++i) {
        g.rows.push_back({std::to_string(10 * i), "1.5", "0.6", typed ? "" : "10",
                          typed ? "" : "100", typed ? "0.5" : ""});
    }
    g.rows.push_back({"110", "0", "", "", "", ""});
    return g;
}

std::vector<Finding> typed(const Gauging& g, const CheckOptions& options = {}) {
    return checkMeasurement(g, typedTable(g), "", options);
}

// "注意 reason" of each finding on a cell, or with row -1 on the coefficient `column`.
Texts at(const std::vector<Finding>& findings, int row, std::size_t column) {
    Texts texts;
    for (const Finding& f : findings) {
        if (row < 0 ? f.isCoefficient() && f.coefficientIndex() == column
                    : f.row == row && f.column == static_cast<int>(column)) {
            texts.push_back(std::string(severityName(f.severity)) + " " + f.reason);
        }
    }
    return texts;
}

TEST(MeterChecks, LonePointsAndTheSurfacePoint) {
    Gauging g = section(EntryMode::Vertical);
    g.rows[2].relative = "0.2";
    g.rows[4].relative = "0.60";
    g.rows[6].relative = "0";
    g.rows[7].relative = "0.00";
    g.rows[8].relative = "0.0";
    auto f = typed(g);
    EXPECT_EQ(at(f, 2, col::相对),
              Texts{"注意 垂线只测 0.2 一点，垂线平均流速按等于该点流速计算（系数 "
                    "1，经验值）；一点法测点应在 0.6，若用本站的一点法系数请另行改正"});
    EXPECT_EQ(at(f, 6, col::相对), Texts{"注意 相对位置“0”是否指水面点“0.0”？按所填不作水面点：不乘"
                                         "水面系数，垂线平均流速按该点流速计算。水面点请填“0.0”"});
    EXPECT_EQ(at(f, 7, col::相对).size(), 1u);
    EXPECT_EQ(at(f, 4, col::相对).size() + at(f, 8, col::相对).size(), 0u);
    // As computed: "0.0" alone carries the surface coefficient.
    const Computation computation = compute(g);
    EXPECT_EQ(computation.table.cell(8, col::系数), "0.85");
    EXPECT_EQ(computation.table.cell(6, col::系数) + computation.table.cell(7, col::系数), "");

    // With a vertical of two points a lone "0" is the surface and a lone 0.2 is noticed for its
    // assumed coefficient: nothing more.
    g.rows[1].relative = "0.2";
    g.rows.insert(g.rows.begin() + 2, GaugingRow{"", "", "0.8", "8", "100", ""});
    f = typed(g);
    EXPECT_EQ(at(f, 7, col::相对), Texts{});
    ASSERT_EQ(at(f, 3, col::相对).size(), 1u);
    EXPECT_EQ(at(f, 3, col::相对)[0].rfind("注意 一点法测点在 0.2 水深处", 0), 0u);
}

TEST(MeterChecks, CoefficientsOfTheSurfaceAndTheMeter) {
    Gauging g = section(EntryMode::Vertical);
    g.rows[5].relative = "0.0";
    const std::string narrow = "注意 有 1 条垂线按水面一点法计算，水面系数一般在 0.80 到 0.95 之间"
                               "（按常见引用，未核对原文）";
    const std::vector<std::pair<std::string, Texts>> cases{
        {"0.80", {}}, {"0.95", {}}, {"0.6", {narrow}}, {"0.96", {narrow}}};
    for (const auto& [value, expected] : cases) {
        g.coefficients[coef::水面系数] = value;
        EXPECT_EQ(at(typed(g), -1, coef::水面系数), expected) << value;
    }
    // Without a surface point ("0" is none here) only 0.5 to 1.0.
    g.rows[5].relative = "0";
    g.coefficients[coef::水面系数] = "0.6";
    EXPECT_EQ(at(typed(g), -1, coef::水面系数), Texts{});
    g.coefficients[coef::水面系数] = "1.05";
    g.coefficients[coef::信号转数] = "-20";
    g.coefficients[coef::公式系数K] = "-0.6793";
    const auto f = typed(g);
    ASSERT_EQ(at(f, -1, coef::水面系数), Texts{"注意 水面系数一般在 0.5 到 1.0 之间（经验值）"});
    EXPECT_EQ(at(f, -1, coef::信号转数), Texts{"错误 信号转数不能为负数（总转数 = 信号转数 × N）"});
    EXPECT_EQ(at(f, -1, coef::公式系数K),
              Texts{"错误 流速仪公式系数 K 不能为负数（测点流速 = K × 总转数 / T + C）"});
    // In the order of the coefficients; the rating is not the velocity mode's.
    EXPECT_EQ(f[2].coefficient, static_cast<int>(coef::公式系数K));
    g.mode = EntryMode::Velocity;
    EXPECT_EQ(countSeverity(typed(g), Finding::Severity::Error), 0);
}

// The rating's coefficients within the bounds of the meters in use: a lost point (6793 for
// 0.6793, 33 for 0.0033) or 0, which leaves every velocity at C.
TEST(MeterChecks, TheRatingsCoefficientsWithinTheirBounds) {
    Gauging g = section(EntryMode::Vertical);
    g.coefficients[coef::信号转数] = "20";
    g.coefficients[coef::公式系数K] = "0.6793";
    g.coefficients[coef::公式常数C] = "0.0033";
    EXPECT_EQ(countSeverity(typed(g), Finding::Severity::Notice), 0);
    g.coefficients[coef::信号转数] = "2.5";
    g.coefficients[coef::公式系数K] = "6793";
    g.coefficients[coef::公式常数C] = "33";
    auto f = typed(g);
    EXPECT_EQ(at(f, -1, coef::信号转数),
              Texts{"注意 信号转数一般是 1 到 100 之间的整数（经验值），请核对"});
    EXPECT_EQ(at(f, -1, coef::公式系数K),
              Texts{"注意 流速仪公式系数 K（每转的水流行程）一般在 0.05 到 1.5 米之间（经验值），"
                    "请核对小数点"});
    EXPECT_EQ(at(f, -1, coef::公式常数C),
              Texts{"注意 流速仪公式常数 C 一般在 -0.1 到 0.1 米/秒之间（经验值），请核对小数点"});
    g.coefficients[coef::信号转数] = "0";
    g.coefficients[coef::公式系数K] = "0";
    g.coefficients[coef::公式常数C] = "-0.004";
    f = typed(g);
    EXPECT_EQ(at(f, -1, coef::信号转数),
              Texts{"错误 信号转数为 0：总转数都为 0，测点流速按公式只得常数 C"});
    EXPECT_EQ(at(f, -1, coef::公式系数K),
              Texts{"错误 流速仪公式系数 K 为 0：测点流速按公式只得常数 C"});
    EXPECT_EQ(at(f, -1, coef::公式常数C), Texts{});
}

TEST(MeterChecks, SignalsAndPointVelocities) {
    Gauging g = section(EntryMode::Vertical);
    g.rows[2].signalCount = "0";
    g.rows[3].signalCount = "2";
    g.rows[4].signalCount = "3";
    auto f = typed(g);
    EXPECT_EQ(at(f, 2, col::N), Texts{"错误 信号数 N 为 0：测点流速按公式只得常数 C = "
                                      "0.0033，并非实测流速，请核对 N"});
    EXPECT_EQ(at(f, 3, col::N), Texts{"注意 信号数 N 只有 2，少于 3 "
                                      "个（经验值）：信号太少，测点流速误差大，宜延长测速历时"});
    EXPECT_EQ(at(f, 4, col::N), Texts{});

    // Against a starting velocity of 0.5 m/s: N 3 in 100 s gives 0.41 once computed. The
    // rating's C is never above a meter that turned.
    const CheckOptions slow{.startingVelocity = 0.5};
    EXPECT_EQ(at(typed(g, slow), 4, col::测点流速), Texts{});
    const Computation computation = compute(g);
    const auto after = [&](const CheckOptions& options) {
        return at(checkMeasurement(g, computation.table, "", options), 4, col::测点流速);
    };
    EXPECT_EQ(after(slow), Texts{"注意 测点流速 0.41 低于流速仪起转速 0.5 "
                                 "米/秒（设定值）：流速仪在起转速以下不能正常测速，请核对"});
    EXPECT_EQ(after({}), Texts{});

    // Typed velocities below the rating's C, at it, and negative: reverse flow.
    g = section(EntryMode::Velocity);
    g.rows[2].velocity = "0.002";
    g.rows[3].velocity = "0.0033";
    g.rows[5].velocity = "-0.12";
    f = typed(g);
    EXPECT_EQ(at(f, 2, col::测点流速),
              Texts{"注意 测点流速 0.002 低于流速仪起转速 0.0033 米/秒（起转速取流速仪公式常数 "
                    "C，经验值）：流速仪在起转速以下不能正常测速，请核对"});
    EXPECT_EQ(at(f, 3, col::测点流速), Texts{});
    EXPECT_EQ(at(f, 5, col::测点流速), Texts{"注意 测点流速 -0.12 "
                                             "为负数，即逆流：按负值计入垂线平均流速和部分流量，"
                                             "请核对流向"});
    EXPECT_EQ(at(typed(g, {.startingVelocity = 0.0}), 2, col::测点流速), Texts{});
}

TEST(MeterChecks, SpacingOfTheVelocityVerticalsByClass) {
    // As the worked example: velocity verticals at 5, 10 and 15 m in 20 m of water.
    Gauging g = section(EntryMode::Vertical);
    g.rows.resize(5);
    for (int r = 0; r < 5; ++r) {
        g.rows[static_cast<std::size_t>(r)].distance = std::to_string(5 * r);
    }
    g.rows[4] = {"20", "0", "", "", "", ""};
    auto f = typed(g);
    EXPECT_EQ(at(f, 2, col::起点距),
              Texts{"注意 有 2 处相邻测速垂线的间距超过水面宽的 11%（最大为第 2 行与第 3 行之间 "
                    "5.00 米，占水面宽 20.00 米的 25%）；GB 50179-2015 B.12.9：二类站相邻测速"
                    "垂线的间距应为水面宽的 8%～11%，可考虑增加测速垂线"});
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].alsoRows, (std::vector<int>{3}));

    // 110 m wide: 11 m at 一类's share, 12 m over it; 13 m over 二类's (12.1 m), under 三类's
    // (13.2 m). A class out of range reads as 二类.
    g = section(EntryMode::Vertical);
    const auto spacing = [&](const char* distance, int stationClass) {
        g.rows[6].distance = distance;
        return at(typed(g, {.startingVelocity = {}, .stationClass = stationClass}), 6, col::起点距);
    };
    EXPECT_EQ(spacing("61", 1), Texts{});
    ASSERT_EQ(spacing("62", 1).size(), 1u);
    EXPECT_NE(spacing("62", 1)[0].find("一类站相邻测速垂线的间距应为水面宽的 7%～10%"),
              std::string::npos);
    EXPECT_EQ(spacing("62", 2), Texts{});
    EXPECT_EQ(spacing("63", 2).size() + spacing("63", 7).size(), 2u);
    EXPECT_EQ(spacing("63", 3), Texts{});
}

} // namespace
} // namespace tarnelo
