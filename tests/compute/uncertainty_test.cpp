#include "app/headless_window.hpp"
#include "compute/compute.hpp"
#include "compute/section.hpp"
#include "compute/uncertainty.hpp"
#include "sheet/sheet.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace tarnelo {
namespace {

// A section of the given verticals, water edges at both ends, with its discharge and partials
// computed by the mean-section rule the sheet uses (bank coefficient 0.7 at both edges).
MeasuredSection sectionOf(const std::vector<double>& x, const std::vector<double>& depth,
                          const std::vector<double>& velocity) {
    MeasuredSection s;
    s.leftBank = 0.7;
    s.rightBank = 0.7;
    const std::size_t m = x.size();
    for (std::size_t i = 0; i < m; ++i) {
        SectionVertical v;
        v.row = static_cast<int>(i);
        v.distance = x[i];
        v.depth = depth[i];
        v.waterEdge = i == 0 || i + 1 == m;
        v.velocityVertical = !v.waterEdge;
        if (v.velocityVertical) {
            v.meanVelocity = velocity[i];
        }
        s.verticals.push_back(v);
    }
    double q = 0.0;
    for (std::size_t i = 0; i + 1 < m; ++i) {
        const double area = (depth[i] + depth[i + 1]) / 2.0 * (x[i + 1] - x[i]);
        const double u = i == 0       ? 0.7 * velocity[1]
                         : i + 2 == m ? 0.7 * velocity[m - 2]
                                      : (velocity[i] + velocity[i + 1]) / 2.0;
        s.partials.push_back({static_cast<int>(i), x[i], x[i + 1], area * u});
        q += area * u;
    }
    s.discharge = q;
    s.dischargeText = "q";
    return s;
}

// The same section sampled at n velocity verticals from smooth depth and velocity curves.
MeasuredSection sampled(int n, const std::function<double(double)>& depth,
                        const std::function<double(double)>& velocity) {
    std::vector<double> x, d, v;
    for (int i = 0; i <= n + 1; ++i) {
        const double at = 40.0 * i / (n + 1);
        x.push_back(at);
        d.push_back(i == 0 || i == n + 1 ? 0.0 : depth(at));
        v.push_back(velocity(at));
    }
    return sectionOf(x, d, v);
}

TEST(IveUncertainty, HandWorkedSectionOfThreeVelocityVerticals) {
    // x = 0 2 4 6 8, depths 0 1.0 1.4 1.0 0 (edges), velocities 0.5 0.9 0.7.
    // Velocity residual at x = 4: ω = (6−4)/(6−2) = 0.5, δ = 0.9 − (0.5·0.5 + 0.5·0.7) = 0.3,
    //   s_v² = 0.3² / [2(1 − 0.5 + 0.25)] = 0.09 / 1.5 = 0.06 (one residual).
    // Depth residual at x = 4 (edges left out): δ = 1.4 − 1.0 = 0.4, s_d² = 0.16 / 1.5.
    // Strips: areas 1.0, 2.4, 2.4, 1.0 with velocities 0.35 (0.7·0.5), 0.7, 0.8, 0.49 (0.7·0.7):
    //   Q = 0.35 + 1.68 + 1.92 + 0.49 = 4.44.
    // ∂Q/∂d (each strip 2 m wide gives 1·u to both its ends): 1.05, 1.5, 1.29 → Σ² = 5.0166.
    // ∂Q/∂v: 0.7·1.0 + 2.4/2 = 1.9, 1.2 + 1.2 = 2.4, 1.2 + 0.7 = 1.9 → Σ² = 12.98.
    // u_d = √(0.10667·5.0166)/4.44 = 0.16475, u_v = √(0.06·12.98)/4.44 = 0.19876,
    // u_b = 0.005·√(0.35² + 1.68² + 1.92² + 0.49²)/4.44 = 0.00295, u_s = √2 · 1 % = 0.01414.
    // U95 = 2·√(0.16475² + 0.19876² + 0.00295² + 0.01414²) = 51.71 %.
    const MeasuredSection s =
        sectionOf({0, 2, 4, 6, 8}, {0, 1.0, 1.4, 1.0, 0}, {0, 0.5, 0.9, 0.7, 0});
    ASSERT_NEAR(*s.discharge, 4.44, 1e-12);
    const UncertaintyMethod ive = estimateUncertainty(s).ive;
    ASSERT_TRUE(ive.percent.has_value()) << ive.reason;
    EXPECT_NEAR(*ive.percent, 51.714, 0.001);
    ASSERT_EQ(ive.components.size(), 4u);
    EXPECT_EQ(ive.components[0].key, "depth");
    EXPECT_NEAR(*ive.components[0].percent, 32.951, 0.001);
    EXPECT_EQ(ive.components[1].key, "velocity");
    EXPECT_NEAR(*ive.components[1].percent, 39.752, 0.001);
    EXPECT_NEAR(*ive.components[3].percent, 2.828, 0.001);
}

TEST(IveUncertainty, FallsWhenVerticalsAreAddedToTheSameSection) {
    const auto depth = [](double x) { return 0.5 + 3.0 * std::sin(std::numbers::pi * x / 40.0); };
    const auto velocity = [](double x) { return 0.3 + 1.5 * std::sin(std::numbers::pi * x / 40.0); };
    double previous = 1e9;
    for (int n : {5, 9, 17, 33}) {
        const UncertaintyMethod ive = estimateUncertainty(sampled(n, depth, velocity)).ive;
        ASSERT_TRUE(ive.percent.has_value()) << n << ": " << ive.reason;
        EXPECT_LT(*ive.percent, previous) << n << " verticals";
        previous = *ive.percent;
    }
}

TEST(IveUncertainty, IdenticalVerticalsGiveTheFloorNotZero) {
    const MeasuredSection s = sampled(
        10, [](double) { return 2.0; }, [](double) { return 1.0; });
    const UncertaintyMethod ive = estimateUncertainty(s).ive;
    ASSERT_TRUE(ive.percent.has_value()) << ive.reason;
    EXPECT_TRUE(std::isfinite(*ive.percent));
    EXPECT_DOUBLE_EQ(*ive.components[0].percent, 0.0);
    EXPECT_DOUBLE_EQ(*ive.components[1].percent, 0.0);
    // What remains: the systematic 2·√2 % and the widths.
    double sum = 0.0;
    for (const SectionPartial& p : s.partials) {
        sum += p.discharge * p.discharge;
    }
    const double width = 0.005 * std::sqrt(sum) / *s.discharge;
    EXPECT_NEAR(*ive.percent, 200.0 * std::sqrt(2e-4 + width * width), 1e-9);
    EXPECT_GT(*ive.percent, 2.8);
}

TEST(IveUncertainty, FewerThanThreeVelocityVerticalsAreNotEstimable) {
    for (const auto& s : {sectionOf({0, 2, 4, 6}, {0, 1, 1.2, 0}, {0, 0.5, 0.6, 0}),
                          sectionOf({0, 2, 4}, {0, 1, 0}, {0, 0.5, 0})}) {
        const SectionUncertainty u = estimateUncertainty(s);
        EXPECT_FALSE(u.ive.percent.has_value());
        EXPECT_NE(u.ive.reason.find("少于 3 条"), std::string::npos) << u.ive.reason;
        EXPECT_EQ(uncertaintySummary(u), "不确定度（95%）：无法估算");
    }
}

TEST(IveUncertainty, NotComputedOrNotIncreasingIsNotANumber) {
    MeasuredSection s = sectionOf({0, 2, 4, 6, 8}, {0, 1.0, 1.4, 1.0, 0}, {0, 0.5, 0.9, 0.7, 0});
    MeasuredSection uncomputed = s;
    uncomputed.discharge.reset();
    EXPECT_FALSE(estimateUncertainty(uncomputed).ive.percent.has_value());
    EXPECT_EQ(estimateUncertainty(uncomputed).ive.reason, "尚未计算出断面流量");
    s.verticals[2].distance = 2.0; // the same distance twice: no interpolation
    EXPECT_FALSE(estimateUncertainty(s).ive.percent.has_value());
}

TEST(Iso748Uncertainty, LeftOutWithAReasonAndTheNumberOfVerticalsShownAlone) {
    const auto depth = [](double) { return 2.0; };
    const auto velocity = [](double) { return 1.0; };
    const SectionUncertainty five = estimateUncertainty(sampled(5, depth, velocity));
    EXPECT_FALSE(five.iso748.percent.has_value());
    EXPECT_NE(five.iso748.reason.find("ISO 748"), std::string::npos);
    ASSERT_EQ(five.iso748.components[0].key, "verticals");
    EXPECT_NEAR(*five.iso748.components[0].percent, 15.0, 1e-9); // 2 × 7.5 %
    // More verticals, smaller component; interpolated between the tabulated counts.
    EXPECT_NEAR(*estimateUncertainty(sampled(12, depth, velocity)).iso748.components[0].percent,
                2 * (4.5 + (3.0 - 4.5) * 2 / 5), 1e-9);
    EXPECT_NEAR(*estimateUncertainty(sampled(40, depth, velocity)).iso748.components[0].percent,
                2.0, 1e-9);
    for (std::size_t i = 1; i < five.iso748.components.size(); ++i) {
        EXPECT_FALSE(five.iso748.components[i].percent.has_value());
    }
}

TEST(SectionUncertainty, TheWorkedExampleFromTheWindow) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    window.setText(ctl::水面系数编辑框, "0.85");
    const char* rows[5][6] = {{"0", "0", "", "", ""},
                              {"5", "1.2", "0.6", "10", "100"},
                              {"10", "1.8", "0.6", "15", "110"},
                              {"15", "1.5", "0.0", "20", "105"},
                              {"20", "0", "", "", ""}};
    for (int r = 0; r < 5; ++r) {
        window.sheet().setCell(r, col::起点距, rows[r][0]);
        window.sheet().setCell(r, col::水深, rows[r][1]);
        window.sheet().setCell(r, col::相对, rows[r][2]);
        window.sheet().setCell(r, col::N, rows[r][3]);
        window.sheet().setCell(r, col::T, rows[r][4]);
    }
    ASSERT_EQ(computeCommand(window).status, ComputeOutcome::Status::Computed);
    const MeasuredSection s = readSection(window);
    ASSERT_EQ(s.verticals.size(), 5u);
    ASSERT_EQ(s.partials.size(), 4u);
    EXPECT_EQ(s.dischargeText, "37.4");
    EXPECT_DOUBLE_EQ(s.partials[0].discharge, 2.85);
    EXPECT_DOUBLE_EQ(s.partials[0].from, 0.0);
    EXPECT_DOUBLE_EQ(s.partials[0].to, 5.0);
    EXPECT_DOUBLE_EQ(s.partials[3].from, 15.0);
    EXPECT_DOUBLE_EQ(s.partials[3].to, 20.0);
    EXPECT_EQ(s.verticals[1].number, "1");
    const SectionUncertainty u = estimateUncertainty(s);
    ASSERT_TRUE(u.ive.percent.has_value()) << u.ive.reason;
    EXPECT_EQ(uncertaintySummary(u),
              "不确定度（95%）：IVE " + uncertaintyPercentText(*u.ive.percent) + "%");
}

} // namespace
} // namespace tarnelo
