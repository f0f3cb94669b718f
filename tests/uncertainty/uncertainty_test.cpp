#include "app/compute_command.hpp"
#include "app/window_sheet.hpp"
#include "compute/section.hpp"
#include "report/window_view.hpp"
#include "sheet/sheet.hpp"
#include "support/headless_window.hpp"
#include "uncertainty/uncertainty.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace tarnelo {
namespace {

// A section of the given verticals, water edges at both ends, with its discharge and partials
// computed by the mean-section rule the sheet uses (bank coefficient 0.7 at both edges). Each
// velocity vertical has one point at 0.6 of the depth, timed for `seconds`.
MeasuredSection sectionOf(const std::vector<double>& x, const std::vector<double>& depth,
                          const std::vector<double>& velocity, double seconds = 120.0) {
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
            v.points = {{0.6, velocity[i], seconds, false}};
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
                        const std::function<double(double)>& velocity, double seconds = 120.0) {
    std::vector<double> x, d, v;
    for (int i = 0; i <= n + 1; ++i) {
        const double at = 40.0 * i / (n + 1);
        x.push_back(at);
        d.push_back(i == 0 || i == n + 1 ? 0.0 : depth(at));
        v.push_back(velocity(at));
    }
    return sectionOf(x, d, v, seconds);
}

double bump(double x) {
    return std::sin(std::numbers::pi * x / 40.0);
}

const UncertaintyComponent& component(const UncertaintyMethod& method, std::string_view key) {
    for (const UncertaintyComponent& c : method.components) {
        if (c.key == key) {
            return c;
        }
    }
    ADD_FAILURE() << "no component " << key;
    return method.components.front();
}

TEST(IveUncertainty, HandWorkedSectionOfFiveVelocityVerticals) {
    // x = 0 2 … 12, depths 0 1.0 1.4 1.0 1.4 1.0 0 (edges), velocities 0.5 0.9 0.5 0.9 0.5.
    // Velocity residuals at x = 4, 6, 8: ω = 0.5, δ = 0.9 − 0.5 = 0.4, −0.4, 0.4, each over
    //   2(1 − 0.5 + 0.25) = 1.5: s_v² = (3 · 0.16 / 1.5) / (5 − 2) = 0.10667.
    // Depths (edges left out) the same pattern: s_d² = 0.10667.
    // Strips 2 m wide: areas 1.0, 2.4 ×4, 1.0 with velocities 0.35 (0.7·0.5), 0.7 ×4, 0.35:
    //   Q = 0.35 + 4·1.68 + 0.35 = 7.42.
    // ∂Q/∂d (each strip gives 1·u to both ends): 1.05, 1.4, 1.4, 1.4, 1.05 → Σ² = 8.085.
    // ∂Q/∂v: 0.7 + 1.2 = 1.9, 2.4, 2.4, 2.4, 1.9 → Σ² = 24.5.
    // u_d = √(0.10667·8.085)/7.42 = 12.516 %, u_v = √(0.10667·24.5)/7.42 = 21.787 %, u_s = 1 %:
    // u = √(12.516² + 21.787² + 1²) = 25.146 %, k = t₀.₉₇₅(3) = 3.1824, U = 80.02 %.
    const MeasuredSection s = sectionOf({0, 2, 4, 6, 8, 10, 12}, {0, 1.0, 1.4, 1.0, 1.4, 1.0, 0},
                                        {0, 0.5, 0.9, 0.5, 0.9, 0.5, 0});
    ASSERT_NEAR(*s.discharge, 7.42, 1e-12);
    const UncertaintyMethod ive = estimateUncertainty(s).ive;
    ASSERT_TRUE(ive.percent.has_value()) << ive.reason;
    EXPECT_NEAR(*ive.standardPercent, 25.146, 0.001);
    EXPECT_NEAR(ive.coverageFactor, 3.1824, 1e-9);
    EXPECT_NEAR(*ive.percent, 80.024, 0.001);
    EXPECT_NEAR(*component(ive, "depth").percent, 12.516, 0.001);
    EXPECT_NEAR(*component(ive, "velocity").percent, 21.787, 0.001);
    // The systematic term is the one setting, listed apart from the random part.
    EXPECT_TRUE(component(ive, "systematic").systematic);
    EXPECT_FALSE(component(ive, "velocity").systematic);
    EXPECT_DOUBLE_EQ(*component(ive, "systematic").percent, kSystematicPercent);
    EXPECT_NE(ive.source.find("Cohn"), std::string::npos);
}

TEST(IveUncertainty, FallsWhenVerticalsAreAddedToTheSameSection) {
    const auto depth = [](double x) { return 0.5 + 3.0 * bump(x); };
    const auto velocity = [](double x) { return 0.3 + 1.5 * bump(x); };
    double previous = 1e9;
    for (int n : {5, 9, 17, 33}) {
        const UncertaintyMethod ive = estimateUncertainty(sampled(n, depth, velocity)).ive;
        ASSERT_TRUE(ive.percent.has_value()) << n << ": " << ive.reason;
        EXPECT_LT(*ive.percent, previous) << n << " verticals";
        previous = *ive.percent;
    }
}

TEST(IveUncertainty, IdenticalVerticalsHaveNoRandomPart) {
    for (int n : {5, 10, 30}) {
        const UncertaintyMethod ive =
            estimateUncertainty(sampled(
                                    n, [](double) { return 2.0; }, [](double) { return 1.0; }))
                .ive;
        ASSERT_TRUE(ive.percent.has_value()) << ive.reason;
        EXPECT_DOUBLE_EQ(*component(ive, "depth").percent, 0.0);
        EXPECT_DOUBLE_EQ(*component(ive, "velocity").percent, 0.0);
        // What remains is the systematic term alone, expanded by t.
        EXPECT_DOUBLE_EQ(*ive.standardPercent, kSystematicPercent);
        EXPECT_DOUBLE_EQ(*ive.percent, studentT975(n - 2) * kSystematicPercent);
    }
}

TEST(IveUncertainty, TheCoverageFactorFollowsStudentsT) {
    EXPECT_NEAR(studentT975(1), 12.706, 0.001);
    EXPECT_NEAR(studentT975(3), 3.18, 0.005);
    EXPECT_NEAR(studentT975(10), 2.23, 0.005);
    EXPECT_NEAR(studentT975(22), 2.07, 0.005);
    EXPECT_NEAR(studentT975(31), 2.0395, 1e-4);
    EXPECT_NEAR(studentT975(120), 1.9799, 1e-4);
    double previous = 1e9;
    for (int dof = 1; dof < 200; ++dof) {
        EXPECT_LT(studentT975(dof), previous) << dof;
        EXPECT_GT(studentT975(dof), 1.96) << dof;
        previous = studentT975(dof);
    }
    const auto depth = [](double x) { return 0.5 + 3.0 * bump(x); };
    const auto velocity = [](double x) { return 0.3 + 1.5 * bump(x) + 0.05 * std::cos(x); };
    for (int n : {5, 6, 12, 24, 40}) {
        const UncertaintyMethod ive = estimateUncertainty(sampled(n, depth, velocity)).ive;
        ASSERT_TRUE(ive.percent.has_value()) << ive.reason;
        EXPECT_DOUBLE_EQ(ive.coverageFactor, studentT975(n - 2)) << n;
        EXPECT_NEAR(*ive.percent, ive.coverageFactor * *ive.standardPercent, 1e-12);
        EXPECT_NE(ive.coverage.find("(" + std::to_string(n - 2) + ")"), std::string::npos)
            << ive.coverage;
    }
}

TEST(SectionUncertainty, FewerThanFiveVelocityVerticalsAreNotEstimable) {
    for (const auto& s :
         {sectionOf({0, 2, 4, 6, 8, 10}, {0, 1, 1.2, 1.1, 0.9, 0}, {0, 0.5, 0.6, 0.7, 0.5, 0}),
          sectionOf({0, 2, 4, 6, 8}, {0, 1.0, 1.4, 1.0, 0}, {0, 0.5, 0.9, 0.7, 0}),
          sectionOf({0, 2, 4}, {0, 1, 0}, {0, 0.5, 0})}) {
        const SectionUncertainty u = estimateUncertainty(s);
        EXPECT_FALSE(u.ive.percent.has_value());
        EXPECT_FALSE(u.iso748.percent.has_value());
        EXPECT_EQ(u.ive.reason, "垂线太少");
        EXPECT_EQ(uncertaintyShort(u.ive, "IVE"), "IVE 无法估算（垂线太少）");
        EXPECT_EQ(uncertaintySummary(u, "4.44"), "Q = 4.44 m³/s　不确定度无法估算（垂线太少）");
    }
}

TEST(SectionUncertainty, NotComputedOrNotIncreasingIsNotANumber) {
    MeasuredSection s = sampled(
        6, [](double) { return 2.0; }, [](double) { return 1.0; });
    MeasuredSection uncomputed = s;
    uncomputed.discharge.reset();
    EXPECT_FALSE(estimateUncertainty(uncomputed).ive.percent.has_value());
    EXPECT_EQ(estimateUncertainty(uncomputed).ive.reason, "尚未计算出断面流量");
    EXPECT_EQ(estimateUncertainty(uncomputed).iso748.reason, "尚未计算出断面流量");
    s.verticals[2].distance = s.verticals[1].distance; // the same distance twice
    EXPECT_FALSE(estimateUncertainty(s).ive.percent.has_value());
    EXPECT_FALSE(estimateUncertainty(s).iso748.percent.has_value());
}

TEST(Iso748Uncertainty, HandWorkedSectionOfFiveVerticals) {
    // x = 0 2 … 12, depth 1.0 at the five verticals, every point at 0.6 with 1.0 m/s for 2 min.
    // Shares v_i ∂Q/∂v_i: 0.7 + 1 = 1.7, 2, 2, 2, 1.7 (Σ = 9.4 = Q); Σq²/(Σq)² = 17.78/88.36
    //   = 0.201222.
    // Per vertical: u_b 0.15 (width 12 m), u_d 0.65 (1 m), u_p 7.5 (one point), u_c 0.5
    //   (> 0.5 m/s), u_e 3 (≥ 0.5 m/s, 2 min), n = 1:
    //   0.0225 + 0.4225 + 56.25 + 0.25 + 9 = 65.945, × 0.201222 = 13.2696.
    // u_m = 7.5 (5 verticals), u_s = 1: u² = 56.25 + 1 + 13.2696 = 70.5196, u = 8.3976 %,
    // U = 2u = 16.795 %. u_p alone: 7.5 · √0.201222 = 3.3643 %; u_e alone: 3 · √0.201222 = 1.3457
    // %.
    const MeasuredSection s =
        sectionOf({0, 2, 4, 6, 8, 10, 12}, {0, 1, 1, 1, 1, 1, 0}, {0, 1, 1, 1, 1, 1, 0});
    ASSERT_NEAR(*s.discharge, 9.4, 1e-12);
    const UncertaintyMethod iso = estimateUncertainty(s).iso748;
    ASSERT_TRUE(iso.percent.has_value()) << iso.reason;
    EXPECT_NEAR(*iso.standardPercent, 8.3976, 1e-4);
    EXPECT_NEAR(*iso.percent, 16.7952, 1e-4);
    EXPECT_DOUBLE_EQ(iso.coverageFactor, 2.0);
    EXPECT_DOUBLE_EQ(*component(iso, "verticals").percent, 7.5);
    EXPECT_NEAR(*component(iso, "pointsPerVertical").percent, 3.3643, 1e-4);
    EXPECT_NEAR(*component(iso, "exposureTime").percent, 1.3457, 1e-4);
    EXPECT_TRUE(component(iso, "systematic").systematic);
    EXPECT_TRUE(iso.notes.empty());
    EXPECT_EQ(uncertaintySummary({UncertaintyMethod{}, iso}, "9.40")
                  .rfind("Q = 9.40 m³/s ± 16.8 %（ISO 748，95%）　IVE 无法估算（", 0),
              0u);
}

TEST(Iso748Uncertainty, FallsWhenVerticalsAreAdded) {
    const auto depth = [](double x) { return 0.5 + 3.0 * bump(x); };
    const auto velocity = [](double x) { return 0.1 + 1.2 * bump(x); };
    double previous = 1e9;
    for (int n : {5, 7, 10, 14, 20, 28, 40}) {
        const UncertaintyMethod iso = estimateUncertainty(sampled(n, depth, velocity)).iso748;
        ASSERT_TRUE(iso.percent.has_value()) << n << ": " << iso.reason;
        EXPECT_LT(*iso.percent, previous) << n << " verticals";
        previous = *iso.percent;
    }
}

TEST(Iso748Uncertainty, RisesWhenEveryExposureTimeIsHalved) {
    const auto depth = [](double x) { return 0.5 + 2.0 * bump(x); };
    const auto velocity = [](double x) { return 0.08 + 0.35 * bump(x); };
    for (int n : {5, 12, 25}) {
        for (double seconds : {60.0, 100.0, 150.0, 180.0}) {
            const UncertaintyMethod full =
                estimateUncertainty(sampled(n, depth, velocity, seconds)).iso748;
            const UncertaintyMethod half =
                estimateUncertainty(sampled(n, depth, velocity, seconds / 2)).iso748;
            ASSERT_TRUE(full.percent && half.percent);
            EXPECT_GT(*half.percent, *full.percent) << n << " verticals, " << seconds << " s";
            EXPECT_GT(*component(half, "exposureTime").percent,
                      *component(full, "exposureTime").percent);
        }
    }
    // Outside the table: clamped, and said.
    const UncertaintyMethod brief = estimateUncertainty(sampled(6, depth, velocity, 20)).iso748;
    ASSERT_EQ(brief.notes.size(), 1u);
    EXPECT_NE(brief.notes[0].find("30 秒"), std::string::npos) << brief.notes[0];
}

TEST(Iso748Uncertainty, RisesFromTwoPointsToOnePointToTheSurface) {
    const auto depth = [](double x) { return 0.8 + 2.0 * bump(x); };
    const auto velocity = [](double x) { return 0.2 + 0.8 * bump(x); };
    for (int n : {5, 15, 30}) {
        MeasuredSection two = sampled(n, depth, velocity);
        MeasuredSection surface = two;
        for (SectionVertical& v : two.verticals) {
            if (v.velocityVertical) {
                v.points = {{0.2, *v.meanVelocity * 1.1, 120.0, false},
                            {0.8, *v.meanVelocity * 0.9, 120.0, false}};
            }
        }
        for (SectionVertical& v : surface.verticals) {
            if (v.velocityVertical) {
                v.points = {{0.0, *v.meanVelocity / 0.85, 120.0, true}};
            }
        }
        const UncertaintyMethod twoPoint = estimateUncertainty(two).iso748;
        const UncertaintyMethod onePoint = estimateUncertainty(sampled(n, depth, velocity)).iso748;
        const UncertaintyMethod surfacePoint = estimateUncertainty(surface).iso748;
        ASSERT_TRUE(twoPoint.percent && onePoint.percent && surfacePoint.percent);
        EXPECT_LT(*twoPoint.percent, *onePoint.percent) << n;
        EXPECT_LT(*onePoint.percent, *surfacePoint.percent) << n;
    }
}

TEST(Iso748Uncertainty, WithoutExposureTimesTheFigureSaysWhatItLeavesOut) {
    MeasuredSection s = sampled(
        8, [](double) { return 0.3; }, [](double) { return 0.6; });
    for (SectionVertical& v : s.verticals) {
        for (MeasuringPoint& p : v.points) {
            p.seconds.reset(); // 测速模式: no T
        }
    }
    const UncertaintyMethod iso = estimateUncertainty(s).iso748;
    ASSERT_TRUE(iso.percent.has_value()) << iso.reason;
    EXPECT_FALSE(component(iso, "exposureTime").percent.has_value());
    EXPECT_EQ(component(iso, "exposureTime").note, "未知");
    EXPECT_NE(uncertaintyShort(iso, "ISO 748").find("不含测速历时"), std::string::npos);
    // Depths of 0.3 m lie below the table: noted with the unknown exposure time.
    ASSERT_EQ(iso.notes.size(), 2u);
    EXPECT_NE(iso.notes[0].find("0.4 m"), std::string::npos) << iso.notes[0];
    EXPECT_NE(iso.notes[1].find("u_e 未知"), std::string::npos) << iso.notes[1];
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
    const MeasuredSection s = readWindowSection(window);
    ASSERT_EQ(s.verticals.size(), 5u);
    ASSERT_EQ(s.partials.size(), 4u);
    EXPECT_EQ(s.dischargeText, "37.4");
    EXPECT_DOUBLE_EQ(s.partials[0].discharge, 2.85);
    EXPECT_DOUBLE_EQ(s.partials[0].from, 0.0);
    EXPECT_DOUBLE_EQ(s.partials[0].to, 5.0);
    EXPECT_DOUBLE_EQ(s.partials[3].from, 15.0);
    EXPECT_DOUBLE_EQ(s.partials[3].to, 20.0);
    EXPECT_EQ(s.verticals[1].number, "1");
    // Each row one point: 0.6 of the depth timed by T; 相对 0.0 a surface point.
    ASSERT_EQ(s.verticals[1].points.size(), 1u);
    EXPECT_DOUBLE_EQ(s.verticals[1].points[0].relative, 0.6);
    EXPECT_EQ(s.verticals[1].points[0].seconds, 100.0);
    EXPECT_FALSE(s.verticals[1].points[0].surface);
    EXPECT_TRUE(s.verticals[3].points[0].surface);
    EXPECT_TRUE(s.verticals[4].points.empty());
    // Three velocity verticals: neither method estimates.
    const SectionUncertainty u = estimateUncertainty(s);
    EXPECT_EQ(uncertaintySummary(u, s.dischargeText),
              "Q = 37.4 m³/s　不确定度无法估算（垂线太少）");
}

// What each figure leaves out is said in the notes and, in a few words, in the summary: the
// water edges are never IVE interpolation points; below 8 velocity verticals the IVE reads the
// bed's curvature as scatter; a look-up clamped at a table's shallow or slow edge is too small.
TEST(SectionUncertainty, TheFiguresSayWhatTheyLeaveOut) {
    const auto deep = [](double x) { return 0.5 + 2.0 * bump(x); };
    const auto fast = [](double x) { return 0.2 + 0.8 * bump(x); };
    const SectionUncertainty seven = estimateUncertainty(sampled(7, deep, fast));
    ASSERT_TRUE(seven.ive.percent);
    EXPECT_EQ(seven.ive.caveats,
              (std::vector<std::string>{"水边不作插值点", "垂线少于 8 条，可能偏大"}));
    ASSERT_EQ(seven.ive.notes.size(), 2U);
    EXPECT_NE(seven.ive.notes[1].find("测速垂线只有 7 条（少于 8 条，经验值）"), std::string::npos);
    EXPECT_TRUE(seven.iso748.caveats.empty());
    const std::string summary = uncertaintySummary(seven, "12.3");
    EXPECT_NE(summary.find(" %（95%，水边不作插值点，垂线少于 8 条，可能偏大）"), std::string::npos)
        << summary;

    const SectionUncertainty eight = estimateUncertainty(sampled(8, deep, fast));
    EXPECT_EQ(eight.ive.caveats, std::vector<std::string>{"水边不作插值点"});

    // Shallow and slow water: the ISO 748 figure is read at the tables' edges, too small.
    const SectionUncertainty shallow = estimateUncertainty(sampled(
        9, [](double x) { return 0.1 + 0.2 * bump(x); }, [](double) { return 0.02; }));
    ASSERT_TRUE(shallow.iso748.percent);
    EXPECT_EQ(shallow.iso748.caveats, std::vector<std::string>{"查表越出表列，偏小"});
    for (const char* words : {"水深小于表列的 0.4 m", "流速小于表列的 0.05 m/s"}) {
        const auto& notes = shallow.iso748.notes;
        EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [&](const std::string& n) {
            return n.find(words) != std::string::npos &&
                   n.find("所得不确定度偏小") != std::string::npos;
        })) << words;
    }
    EXPECT_NE(uncertaintySummary(shallow, "0.1").find("（ISO 748，95%，查表越出表列，偏小）"),
              std::string::npos);
}

} // namespace
} // namespace tarnelo
