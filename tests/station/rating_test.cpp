#include "station/rating.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tarnelo::station {
namespace {

// Twelve gaugings whose deviations from the curve are, in order of stage (per cent):
//   +2.0 +1.0 +1.5 −2.5 −0.5 −1.5 +3.0 +0.5 −1.0 −2.0 +2.5 +1.0
// 符号检验: k = 7 positive of n = 12; u = (|7 − 6| − 0.5) / (0.5 √12) = 0.5 / 1.73205 = 0.2887
//   < 1.15: passes.
// 适线检验: signs + + + − − − + + − − + +, k = 4 changes < 0.5 (12 − 1) = 5.5, so
//   U = (5.5 − 4 − 0.5) / (0.5 √11) = 1 / 1.65831 = 0.6030 < 1.64: passes.
// 偏离数值检验: ΣP = 4.0, P̄ = 0.3333 %; ΣP² = 37.5; Σ(P − P̄)² = 37.5 − 12 (1/3)² = 36.1667;
//   S = √(36.1667 / 11) = 1.8133 %; t = 0.3333 / (1.8133 / √12) = 0.3333 / 0.52344 = 0.6368;
//   t(0.95, 11) = 1.796 for α = 0.10 and t(0.90, 11) = 1.363 for α = 0.20: passes both.
// 系统误差 = P̄ = 0.33 %; S_e = √(37.5 / (12 − 2)) = 1.9365 %; 随机不确定度 = 2 S_e = 3.873 %;
//   3 S_e = 5.81 %: no outlier.
TEST(RatingTests, AgreeWithTheHandWorkedTwelveGaugings) {
    const double byStage[] = {2.0, 1.0, 1.5, -2.5, -0.5, -1.5, 3.0, 0.5, -1.0, -2.0, 2.5, 1.0};
    // Given out of stage order: the run test orders them itself.
    const int order[] = {5, 0, 11, 3, 8, 1, 10, 6, 2, 9, 4, 7};
    std::vector<double> stages;
    std::vector<double> deviations;
    for (const int i : order) {
        stages.push_back(44.0 + 0.25 * i);
        deviations.push_back(byStage[i] / 100.0);
    }
    const RatingTests t = ratingTests(stages, deviations, 0.10);
    EXPECT_EQ(t.n, 12);
    EXPECT_EQ(t.sign.count, 7.0);
    EXPECT_NEAR(*t.sign.statistic, 0.2887, 1e-4);
    EXPECT_TRUE(t.sign.passed);
    EXPECT_EQ(t.run.count, 4.0);
    ASSERT_TRUE(t.run.statistic);
    EXPECT_NEAR(*t.run.statistic, 0.6030, 1e-4);
    EXPECT_TRUE(t.run.passed);
    EXPECT_NEAR(t.meanDeviation * 100, 0.3333, 1e-4);
    EXPECT_NEAR(t.standardDeviation * 100, 1.8133, 1e-4);
    EXPECT_NEAR(*t.deviation.statistic, 0.6368, 1e-4);
    EXPECT_NEAR(t.deviation.critical, 1.796, 1e-3);
    EXPECT_TRUE(t.deviation.passed);
    EXPECT_NEAR(t.se * 100, 1.9365, 1e-4);
    EXPECT_NEAR(t.randomUncertainty * 100, 3.873, 1e-3);
    EXPECT_TRUE(t.outliers.empty());
    EXPECT_NE(t.deviation.detail.find("α = 0.1"), std::string::npos);

    const RatingTests wider = ratingTests(stages, deviations, 0.20);
    EXPECT_NEAR(wider.deviation.critical, 1.363, 1e-3);

    // Every deviation of one sign: all three fail.
    std::vector<double> high(12);
    for (std::size_t i = 0; i < high.size(); ++i) {
        high[i] = 0.02 + 0.001 * static_cast<double>(i);
    }
    const RatingTests biased = ratingTests(stages, high, 0.10);
    EXPECT_FALSE(biased.sign.passed);
    EXPECT_FALSE(biased.run.passed);
    EXPECT_FALSE(biased.deviation.passed);
}

TEST(RatingTests, StudentCriticalValuesMatchThePrintedTables) {
    EXPECT_NEAR(studentCritical(0.05, 3), 3.182, 1e-3);
    EXPECT_NEAR(studentCritical(0.05, 10), 2.228, 1e-3);
    EXPECT_NEAR(studentCritical(0.05, 22), 2.074, 1e-3);
    EXPECT_NEAR(studentCritical(0.10, 29), 1.699, 1e-3);
    EXPECT_NEAR(studentCritical(0.20, 1), 3.078, 1e-3);
}

TEST(RatingTests, AGaugingBeyondThreeStandardErrorsIsNamed) {
    std::vector<double> stages;
    std::vector<double> deviations;
    for (int i = 0; i < 20; ++i) {
        stages.push_back(i);
        deviations.push_back(i == 13 ? 0.10 : (i % 2 == 0 ? 0.01 : -0.01));
    }
    // ΣP² = 19·0.0001 + 0.01 = 0.0119; S_e = √(0.0119 / 18) = 2.571 %; 3 S_e = 7.71 % < 10 %.
    const RatingTests t = ratingTests(stages, deviations, 0.10);
    EXPECT_EQ(t.outliers, std::vector<std::size_t>{13});
}

TEST(RatingFit, RecoversAKnownCurveFromNoisyGaugings) {
    // Q = 25 (Z − 100)^1.8 gauged 40 times between 100.4 and 104 m with 3 % noise.
    std::mt19937 rng(20240712);
    std::uniform_real_distribution<double> stage(100.4, 104.0);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::vector<RatingPoint> points;
    for (int i = 0; i < 40; ++i) {
        const double z = stage(rng);
        points.push_back(ratingPoint(z, 25.0 * std::pow(z - 100.0, 1.8) * (1.0 + noise(rng)),
                                     std::to_string(i + 1)));
    }
    const RatingFit fit = fitRating(points, RatingForm::Power);
    ASSERT_TRUE(fit.problem.empty()) << fit.problem;
    EXPECT_NEAR(fit.curve.z0, 100.0, 0.15);
    EXPECT_NEAR(fit.curve.b, 1.8, 0.1);
    EXPECT_NEAR(fit.curve.a, 25.0, 2.5);
    EXPECT_FALSE(fit.curve.z0AtBound);
    EXPECT_NEAR(fit.tests.se, 0.03, 0.01);
    EXPECT_TRUE(fit.tests.sign.passed);
    EXPECT_TRUE(fit.tests.deviation.passed);
    ASSERT_EQ(fit.deviations.size(), points.size());

    // The polynomial forms fit the same gaugings about as well.
    for (const RatingForm form : {RatingForm::Quadratic, RatingForm::Cubic}) {
        const RatingFit poly = fitRating(points, form);
        ASSERT_TRUE(poly.problem.empty()) << poly.problem;
        EXPECT_LT(poly.tests.se, 0.06);
        EXPECT_NE(poly.curve.equation().find("(Z − "), std::string::npos);
    }

    // The rating table steps by a centimetre over the gauged range, graded.
    const std::vector<RatingTableEntry> table = ratingTable(fit.curve, 100.404, 100.455);
    ASSERT_EQ(table.size(), 5u);
    EXPECT_DOUBLE_EQ(table.front().stage, 100.41);
    EXPECT_DOUBLE_EQ(table.back().stage, 100.45);
}

TEST(RatingFit, RefusesWhatCannotBeFitted) {
    std::vector<RatingPoint> few{ratingPoint(1.0, 2.0, "1"), ratingPoint(2.0, 3.0, "2"),
                                 ratingPoint(3.0, 5.0, "3")};
    EXPECT_NE(fitRating(few, RatingForm::Power).problem.find("至少需要 4"), std::string::npos);
    few.push_back(ratingPoint(4.0, 0.0, "4"));
    EXPECT_NE(fitRating(few, RatingForm::Power).problem.find("“4”"), std::string::npos);
    std::vector<RatingPoint> flat(5, ratingPoint(1.0, 2.0, "x"));
    EXPECT_NE(fitRating(flat, RatingForm::Power).problem.find("水位相同"), std::string::npos);
}

} // namespace
} // namespace tarnelo::station

namespace tarnelo::station {
namespace {

// The verdict on a curve: the three tests passing never make a curve 合格 whose uncertainty or
// systematic error exceeds the class's indices; each failing part is named.
TEST(RatingVerdict, WeighsTheCurveAgainstTheClassesIndices) {
    RatingTests tests;
    for (TestOutcome* t : {&tests.sign, &tests.run, &tests.deviation}) {
        t->passed = true;
    }
    tests.sign.name = "符号检验";
    tests.run.name = "适线检验";
    tests.deviation.name = "偏离数值检验";
    tests.meanDeviation = 0.002;
    tests.randomUncertainty = 0.09; // 9 %: within 二类 (10 %), beyond 一类 (8 %)
    EXPECT_TRUE(ratingVerdict(tests, StationClass::Second).adequate);
    EXPECT_TRUE(ratingVerdict(tests, StationClass::Third).adequate);
    const RatingVerdict first = ratingVerdict(tests, StationClass::First);
    EXPECT_FALSE(first.adequate);
    EXPECT_EQ(first.headline(), "不合格（一类精度站）");
    ASSERT_EQ(first.reasons.size(), 1U);
    EXPECT_NE(first.reasons[0].find("随机不确定度 9.00% 超过 8%"), std::string::npos);
    EXPECT_NE(first.reasons[0].find("SL/T 247-2020"), std::string::npos);

    // A 16.3 % scatter with every test passing: 不合格 in every class.
    tests.randomUncertainty = 0.163;
    tests.meanDeviation = -0.015;
    tests.run.passed = false;
    for (const StationClass c : {StationClass::First, StationClass::Second, StationClass::Third}) {
        const RatingVerdict v = ratingVerdict(tests, c);
        EXPECT_FALSE(v.adequate);
        ASSERT_EQ(v.reasons.size(), 3U);
        EXPECT_NE(v.reasons[0].find("系统误差 -1.50% 超过 ±1%"), std::string::npos) << v.reasons[0];
        EXPECT_NE(v.reasons[1].find("随机不确定度 16.30%"), std::string::npos);
        EXPECT_EQ(v.reasons[2], "适线检验不通过");
    }
}

// Exactly half the deviations positive: the sign test's u is 0, not the −0.5 of the continuity
// correction; with one point more on a side it is (|k − 0.5n| − 0.5) / (0.5√n) again.
TEST(RatingTests, TheSignTestIsNeverNegative) {
    const double stages[] = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0};
    const double half[] = {0.01, -0.01, 0.02, -0.02, 0.01, -0.01};
    const RatingTests even = ratingTests(stages, half, 0.10);
    ASSERT_TRUE(even.sign.statistic);
    EXPECT_EQ(*even.sign.statistic, 0.0);
    EXPECT_NE(even.sign.detail.find("u = 0.00，"), std::string::npos) << even.sign.detail;
    // k = 2.5 of 5 (a zero deviation counts half): also 0.
    const double withZero[] = {0.01, -0.01, 0.0, 0.02, -0.02};
    EXPECT_EQ(*ratingTests(std::span(stages, 5), withZero, 0.10).sign.statistic, 0.0);
    const double four[] = {0.01, 0.01, 0.02, -0.02, -0.01, 0.01};
    EXPECT_NEAR(*ratingTests(stages, four, 0.10).sign.statistic, 0.5 / (0.5 * std::sqrt(6.0)),
                1e-12);
}

// Below the lowest gauging the table runs to the extension limit, but never to a stage the
// curve has run dry at: Z₀ = 101.20 lies within the 10 % below 101.25 (the gauged range is
// 2.75 m), so the table starts at 101.21 and says why 100.98–101.20 are missing.
TEST(RatingTable, StopsAboveTheZeroFlowStageAndSaysWhy) {
    RatingCurve curve;
    curve.a = 18.6;
    curve.b = 1.75;
    curve.z0 = 101.2;
    std::string omitted;
    const auto table = ratingTable(curve, 101.25, 104.0, true, &omitted);
    ASSERT_FALSE(table.empty());
    EXPECT_DOUBLE_EQ(table.front().stage, 101.21);
    EXPECT_DOUBLE_EQ(table.back().stage, 104.82);
    for (const RatingTableEntry& e : table) {
        EXPECT_GT(e.stage, curve.z0);
        ASSERT_FALSE(e.discharge.empty()) << e.stage;
        EXPECT_GT(std::stod(e.discharge), 0.0) << e.stage << " " << e.discharge;
    }
    EXPECT_EQ(omitted, "水位 100.98–101.20 m 未列：关系线的断流水位 Z₀ = 101.200 m，此水位及以下"
                       "无流量；流量不足 0.0005 m³/s 的水位也不列");
    EXPECT_FALSE(listsFlow(curve, 101.2));
    EXPECT_TRUE(listsFlow(curve, 101.21));

    // A curve that is nearly dry above Z₀: a flow that would print as 0.000 is left out too.
    curve.a = 0.001;
    const auto small = ratingTable(curve, 101.25, 104.0, true, &omitted);
    ASSERT_FALSE(small.empty());
    EXPECT_NE(small.front().discharge, "0.000");
    EXPECT_GT(small.front().stage, 101.21);
    // Within the gauged range nothing is left out, and nothing is said.
    curve.a = 18.6;
    ratingTable(curve, 101.25, 104.0, false, &omitted);
    EXPECT_EQ(omitted, "");
}

} // namespace
} // namespace tarnelo::station
