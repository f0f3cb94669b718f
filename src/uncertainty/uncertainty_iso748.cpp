// The ISO 748:2007 uncertainty budget of a velocity-area discharge. The tables and the combination
// are those of DIN EN ISO 748:2008 (the German adoption of ISO 748:2007) as Morgenschweis,
// Hydrometrie (Springer, 2010), tables 4.8–4.13 and equations 4.51/4.52, reproduces them; every
// value is a relative standard uncertainty (1σ) in percent, and U95 = 2u.
#include "measure/numtext.hpp"
#include "uncertainty/uncertainty.hpp"
#include "uncertainty/uncertainty_weights.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <span>

namespace tarnelo {

namespace {

constexpr std::string_view kIsoSource =
    "ISO 748:2007（据 Morgenschweis《Hydrometrie》2010 表 4.8–4.13 转引 DIN EN ISO 748:2008）；"
    "各分量为标准不确定度，95% 扩展不确定度取 k = 2";
constexpr double kCoverage = 2.0;

struct Knot {
    double x;
    double u;
};

// Linear interpolation in a table of increasing x, clamped at both ends.
double interpolate(std::span<const Knot> table, double x) {
    if (x <= table.front().x) {
        return table.front().u;
    }
    for (std::size_t i = 0; i + 1 < table.size(); ++i) {
        if (x <= table[i + 1].x) {
            const Knot& a = table[i];
            const Knot& b = table[i + 1];
            return a.u + (b.u - a.u) * (x - a.x) / (b.x - a.x);
        }
    }
    return table.back().u;
}

// u_m, by the number of verticals.
constexpr std::array<Knot, 9> kVerticals{{{5, 7.5},
                                          {10, 4.5},
                                          {15, 3.0},
                                          {20, 2.5},
                                          {25, 2.0},
                                          {30, 1.5},
                                          {35, 1.0},
                                          {40, 1.0},
                                          {45, 1.0}}};

// u_c, rating of an individually rated current meter, by point velocity (m/s); 0.5 % above
// 0.5 m/s. The source prints the third velocity as "0.12"; the series of the table (and ISO
// 748's own layout of it) reads 0.15.
constexpr std::array<Knot, 5> kRating{
    {{0.03, 10.0}, {0.10, 2.5}, {0.15, 1.25}, {0.25, 1.0}, {0.50, 0.5}}};

// u_e, limited exposure time, by point velocity (rows, m/s) and exposure time (columns: 0.5, 1,
// 2 and 3 min); one table for points at 0.2, 0.4 and 0.6 of the depth, one for 0.8 and 0.9.
constexpr std::array<double, 6> kExposureVelocities{0.05, 0.1, 0.2, 0.3, 0.4, 0.5};
constexpr std::array<double, 4> kExposureSeconds{30, 60, 120, 180};
using ExposureTable = std::array<std::array<double, 4>, 6>;
constexpr ExposureTable kExposureUpper{
    {{25, 20, 15, 10}, {14, 11, 8, 7}, {8, 6, 5, 4}, {5, 4, 3, 3}, {4, 3, 3, 3}, {4, 3, 3, 2}}};
constexpr ExposureTable kExposureLower{
    {{40, 30, 25, 20}, {17, 14, 10, 8}, {9, 7, 5, 4}, {5, 4, 3, 3}, {4, 3, 3, 3}, {4, 3, 3, 2}}};

// u_p, points in the vertical: velocity distribution 0.5, 5-point 2.5, 2-point (0.2/0.8) 3.5,
// 1-point (0.6) 7.5, surface 15.
constexpr double kPointsFive = 2.5;
constexpr double kPointsTwo = 3.5;
constexpr double kPointsOne = 7.5;
constexpr double kPointsSurface = 15.0;

// Where in a sorted grid x falls: the lower index and the fraction towards the next.
std::pair<std::size_t, double> cell(std::span<const double> grid, double x) {
    for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
        if (x <= grid[i + 1]) {
            return {i, (x - grid[i]) / (grid[i + 1] - grid[i])};
        }
    }
    return {grid.size() - 2, 1.0};
}

double exposure(double velocity, double seconds, double relative) {
    const ExposureTable& table = relative > 0.7 ? kExposureLower : kExposureUpper;
    const double v = std::clamp(velocity, kExposureVelocities.front(), kExposureVelocities.back());
    const double t = std::clamp(seconds, kExposureSeconds.front(), kExposureSeconds.back());
    const auto [i, fv] = cell(kExposureVelocities, v);
    const auto [j, ft] = cell(kExposureSeconds, t);
    const double low = table[i][j] + (table[i][j + 1] - table[i][j]) * ft;
    const double high = table[i + 1][j] + (table[i + 1][j + 1] - table[i + 1][j]) * ft;
    return low + (high - low) * fv;
}

// u_b, by the width of the section (m).
double widthTerm(double width) {
    return width <= 100.0 ? 0.15 : width <= 150.0 ? 0.2 : 0.25;
}

// u_d, by the depth (m): 0.65 from 0.4 to 6 m (wading rod), 0.25 from 6 to 14 m.
double depthTerm(double depth) {
    return depth <= 6.0 ? 0.65 : 0.25;
}

class Budget {
  public:
    explicit Budget(const MeasuredSection& section) : section_(section) {}

    UncertaintyMethod run() {
        UncertaintyMethod method;
        method.source = std::string(kIsoSource);
        if (const auto why = uncertainty::notEstimableBecause(section_)) {
            method.reason = *why;
            return method;
        }
        const uncertainty::SectionWeights w = uncertainty::sectionWeights(section_);
        const std::vector<SectionVertical>& verticals = section_.verticals;
        const double width = verticals.back().distance - verticals.front().distance;
        if (width > 250.0) {
            notes_.insert("水面宽超过表列的 250 m，宽度分量按 250 m 的 0.25% 取值");
        }
        const double ub = widthTerm(width);
        // Σ q_i² × term² per component, then divided by (Σ q_i)².
        double sumQ = 0.0;
        double width2 = 0.0;
        double depth2 = 0.0;
        double points2 = 0.0;
        double rating2 = 0.0;
        double exposure2 = 0.0;
        bool severalPoints = false;
        for (std::size_t k = 0; k < w.velocityAt.size(); ++k) {
            const SectionVertical& v = verticals[w.velocityAt[k]];
            const double q = w.byVelocity[k] * *v.meanVelocity;
            const double q2 = q * q;
            sumQ += q;
            width2 += q2 * ub * ub;
            const double ud = depth(v.depth);
            depth2 += q2 * ud * ud;
            const std::vector<MeasuringPoint> points = pointsOf(v);
            severalPoints = severalPoints || points.size() > 1;
            const double up = pointsTerm(points);
            points2 += q2 * up * up;
            const double n = static_cast<double>(points.size());
            double uc2 = 0.0;
            double ue2 = 0.0;
            for (const MeasuringPoint& p : points) {
                const double uc = rating(std::abs(p.velocity));
                uc2 += uc * uc;
                if (p.seconds) {
                    const double ue = exposureAt(p);
                    ue2 += ue * ue;
                } else {
                    exposureUnknown_ = true;
                }
            }
            // (u_c² + u_e²)/n_i for each point's own terms, averaged over its n_i points.
            rating2 += q2 * uc2 / (n * n);
            exposure2 += q2 * ue2 / (n * n);
        }
        const int m = static_cast<int>(w.velocityAt.size());
        // The table is flat from 35 verticals on; more keep its last value.
        const double um = interpolate(kVerticals, m);
        const double denominator = sumQ * sumQ;
        const auto part = [&](double sum) { return std::sqrt(sum / denominator); };
        const double total =
            std::sqrt(um * um + kSystematicPercent * kSystematicPercent +
                      (width2 + depth2 + points2 + rating2 + exposure2) / denominator);
        if (!(sumQ > 0.0) || !std::isfinite(total)) {
            method.reason = "数值超出范围";
            return method;
        }
        method.standardPercent = total;
        method.coverageFactor = kCoverage;
        method.percent = kCoverage * total;
        method.coverage = "k = 2（ISO 748）";
        std::optional<double> exposurePart = part(exposure2);
        std::string exposureNote = "由测点流速和历时 T 查表插值";
        if (exposureUnknown_) {
            exposurePart.reset();
            exposureNote = "未知";
            notes_.insert(
                "没有历时 T（测速模式不记历时），测速历时分量 u_e 未知，未计入：估计偏小");
        }
        method.components = {{"verticals", "垂线数 u_m", um, false,
                              "测速垂线 " + std::to_string(m) + " 条，查表插值"},
                             {"pointsPerVertical", "垂线测点数 u_p", part(points2), false,
                              severalPoints ? "五点法 2.5%，二点法 3.5%，一点法 7.5%，水面一点 15%"
                                            : "一点法 7.5%，水面一点 15%"},
                             {"exposureTime", "测速历时 u_e", exposurePart, false, exposureNote},
                             {"meterRating", "流速仪检定 u_c", part(rating2), false,
                              "单独检定的流速仪，按测点流速查表"},
                             {"width", "宽度 u_b", part(width2), false,
                              "按水面宽 " + num::fixedText(width, 0) + " m 查表"},
                             {"depth", "水深 u_d", part(depth2), false, "按各垂线水深查表"},
                             {"systematic", "系统误差 u_s", kSystematicPercent, true,
                              std::string(kSystematicSource)}};
        method.notes.assign(notes_.begin(), notes_.end());
        if (understated_) {
            method.caveats.push_back("查表越出表列，偏小");
        }
        return method;
    }

  private:
    // The points of a velocity vertical; one at 0.6 of the depth with the mean velocity where
    // the sheet gave none.
    static std::vector<MeasuringPoint> pointsOf(const SectionVertical& v) {
        if (!v.points.empty()) {
            return v.points;
        }
        MeasuringPoint point;
        point.velocity = v.meanVelocity.value_or(0.0);
        return {point};
    }

    double depth(double d) {
        if (d < 0.4) {
            notes_.insert(
                "有垂线水深小于表列的 0.4 m，水深分量按表边 0.65% 取值，所得不确定度偏小");
            understated_ = true;
        } else if (d > 14.0) {
            notes_.insert("有垂线水深大于表列的 14 m，水深分量按 0.25% 取值");
        }
        return depthTerm(d);
    }

    double rating(double v) {
        if (v < kRating.front().x) {
            notes_.insert(
                "有测点流速小于表列的 0.03 m/s，流速仪检定分量按表边 10% 取值，所得不确定度"
                "偏小");
            understated_ = true;
        }
        return interpolate(kRating, v);
    }

    double exposureAt(const MeasuringPoint& p) {
        const double v = std::abs(p.velocity);
        if (v < kExposureVelocities.front()) {
            notes_.insert(
                "有测点流速小于表列的 0.05 m/s，测速历时分量按表边 0.05 m/s 取值，所得不确定度"
                "偏小");
            understated_ = true;
        }
        if (*p.seconds < kExposureSeconds.front()) {
            notes_.insert(
                "有测点历时短于表列的 30 秒，测速历时分量按表边 30 秒取值，所得不确定度偏小");
            understated_ = true;
        } else if (*p.seconds > kExposureSeconds.back()) {
            notes_.insert("有测点历时长于表列的 180 秒，测速历时分量按 180 秒取值");
        }
        return exposure(v, *p.seconds, p.surface ? 0.0 : p.relative);
    }

    double pointsTerm(const std::vector<MeasuringPoint>& points) {
        if (points.size() == 1) {
            if (points.front().surface) {
                return kPointsSurface;
            }
            if (std::abs(points.front().relative - 0.6) > 1e-9) {
                notes_.insert("有一点法测点不在 0.6 水深处，垂线测点数分量仍按一点法取值");
            }
            return kPointsOne;
        }
        if (points.size() >= 5) {
            return kPointsFive;
        }
        if (points.size() > 2) {
            notes_.insert("三点、四点法表中未列，垂线测点数分量按两点法取值");
        }
        return kPointsTwo;
    }

    const MeasuredSection& section_;
    std::set<std::string> notes_;
    // A look-up beyond a table's edge that makes the figure too small.
    bool understated_ = false;
    bool exposureUnknown_ = false;
};

} // namespace

// Combination (Morgenschweis eq. 4.51, from ISO 748:2007) for m verticals with shares q_i of the
// discharge and n_i points in vertical i:
//   u(Q)² = u_m² + u_s² + Σ q_i² [u_b,i² + u_d,i² + u_p,i² + (u_c,i² + u_e,i²)/n_i] / (Σ q_i)².
// The sheet computes by mean sections, where each partial takes the mean of two verticals; the
// share q_i of vertical i is therefore v_i ∂Q/∂v_i (its half of each partial it bounds, the whole
// of a bank partial), which sums to Q as the standard's mid-section q_i do.
UncertaintyMethod iso748Uncertainty(const MeasuredSection& section) {
    return Budget(section).run();
}

} // namespace tarnelo
