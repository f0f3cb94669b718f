#include "uncertainty/uncertainty.hpp"

#include "measure/numtext.hpp"
#include "uncertainty/uncertainty_weights.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarnelo {

namespace uncertainty {

std::optional<std::string> notEstimableBecause(const MeasuredSection& section) {
    if (!section.computed()) {
        return "尚未计算出断面流量";
    }
    if (!(*section.discharge > 0.0)) {
        return "断面流量不大于 0";
    }
    if (!section.velocityRowsWithoutPlace.empty()) {
        return "第 " + std::to_string(section.velocityRowsWithoutPlace.front() + 1) +
               " 行测速垂线缺少起点距或水深";
    }
    int velocity = 0;
    for (std::size_t i = 0; i < section.verticals.size(); ++i) {
        const SectionVertical& v = section.verticals[i];
        if (i > 0 && !(v.distance > section.verticals[i - 1].distance)) {
            return "起点距没有逐行增加";
        }
        velocity += v.velocityVertical && v.meanVelocity ? 1 : 0;
    }
    if (velocity < kFewestVerticals) {
        return "垂线太少";
    }
    return std::nullopt;
}

SectionWeights sectionWeights(const MeasuredSection& section) {
    const std::vector<SectionVertical>& v = section.verticals;
    SectionWeights w;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i].velocityVertical && v[i].meanVelocity) {
            w.velocityAt.push_back(i);
        }
    }
    w.byDepth.assign(v.size(), 0.0);
    w.byVelocity.assign(w.velocityAt.size(), 0.0);
    const std::size_t n = w.velocityAt.size();
    if (n == 0) {
        return w;
    }
    const auto mean = [&](std::size_t k) { return *v[w.velocityAt[k]].meanVelocity; };
    std::size_t k = 0; // the velocity vertical at or before the strip's left end
    for (std::size_t i = 0; i + 1 < v.size(); ++i) {
        while (k + 1 < n && w.velocityAt[k + 1] <= i) {
            ++k;
        }
        const double width = v[i + 1].distance - v[i].distance;
        const double area = (v[i].depth + v[i + 1].depth) / 2.0 * width;
        double u = 0.0;
        if (i + 1 <= w.velocityAt.front()) {
            u = section.leftBank * mean(0);
            w.byVelocity.front() += area * section.leftBank;
        } else if (i >= w.velocityAt.back()) {
            u = section.rightBank * mean(n - 1);
            w.byVelocity.back() += area * section.rightBank;
        } else {
            u = (mean(k) + mean(k + 1)) / 2.0;
            w.byVelocity[k] += area / 2.0;
            w.byVelocity[k + 1] += area / 2.0;
        }
        w.byDepth[i] += width / 2.0 * u;
        w.byDepth[i + 1] += width / 2.0 * u;
    }
    return w;
}

} // namespace uncertainty

namespace {

using uncertainty::kFewestVerticals;

// Below this many velocity verticals the interpolation between neighbours reads the curvature
// of the bed and of the velocity profile across the section as scatter (经验值).
constexpr int kFewVerticals = 8;

constexpr std::string_view kIveSource =
    "IVE：Cohn, Kiang, Mason (2013), J. Hydraul. Eng. 139(5)，给出标准不确定度（1σ）；"
    "95% 扩展不确定度取 Student t（m − 2 自由度）";

// Student's t₀.₉₇₅ for 1 to 30 degrees of freedom (Abramowitz and Stegun, table 26.10).
constexpr std::array<double, 30> kT975{
    12.7062, 4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622, 2.2281,
    2.2010,  2.1788, 2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009, 2.0930, 2.0860,
    2.0796,  2.0739, 2.0687, 2.0639, 2.0595, 2.0555, 2.0518, 2.0484, 2.0452, 2.0423};

struct Point {
    double x;
    double y;
};

// The IVE variance of the values about the straight line between neighbours (Cohn, Kiang and
// Mason 2013, J. Hydraul. Eng. 139(5); presented by Kiang, Cohn and Mason 2009):
//   ω_i = (x_{i+1} − x_i) / (x_{i+1} − x_{i−1})
//   δ_i = y_i − [ω_i y_{i−1} + (1 − ω_i) y_{i+1}]           (interpolation residual)
//   Var δ_i = s² (1 + ω_i² + (1 − ω_i)²) = 2 s² (1 − ω_i + ω_i²)  (independent errors)
//   s² = 1/(m − 2) · Σ_{i=2}^{m−1} δ_i² / [2 (1 − ω_i + ω_i²)]
// over the m points in order. Needs m ≥ 3 and increasing x; empty otherwise.
std::optional<double> interpolatedVariance(const std::vector<Point>& points) {
    if (points.size() < 3) {
        return std::nullopt;
    }
    double sum = 0.0;
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const double span = points[i + 1].x - points[i - 1].x;
        const double ahead = points[i + 1].x - points[i].x;
        if (!(span > 0.0) || !(ahead > 0.0) || !(points[i].x > points[i - 1].x)) {
            return std::nullopt;
        }
        const double w = ahead / span;
        const double residual = points[i].y - (w * points[i - 1].y + (1.0 - w) * points[i + 1].y);
        sum += residual * residual / (2.0 * (1.0 - w + w * w));
    }
    return sum / static_cast<double>(points.size() - 2);
}

UncertaintyMethod notEstimable(std::string reason, std::string source) {
    UncertaintyMethod method;
    method.reason = std::move(reason);
    method.source = std::move(source);
    return method;
}

// IVE: the random uncertainty of depth and velocity from how far each vertical lies off the
// straight line between its neighbours, carried through the computation (first-order, independent
// errors):
//   u_r²(Q) = [s_d² Σ_i (∂Q/∂d_i)² + s_v² Σ_k (∂Q/∂v_k)²] / Q²,
// then the systematic u_s beside it: u² = u_r² + u_s², U95 = t₀.₉₇₅(m − 2) · u for m velocity
// verticals. t is applied to the whole, u_s included: a little wider than Welch–Satterthwaite
// would give, never narrower.
//
// The water edges are left out of the depth interpolation, both as points and as neighbours:
// their depth 0 is exact by definition, and the bank slope between an edge and the first
// vertical is a shape of the bed, not scatter; taken as neighbours they would count it as
// measurement error. They carry no velocity, so they are no velocity neighbours either.
UncertaintyMethod ive(const MeasuredSection& section) {
    if (const auto why = uncertainty::notEstimableBecause(section)) {
        return notEstimable(*why, std::string(kIveSource));
    }
    const double q = *section.discharge;
    const std::vector<SectionVertical>& v = section.verticals;
    std::vector<Point> velocities;
    std::vector<Point> depths;
    for (const SectionVertical& vertical : v) {
        if (vertical.velocityVertical && vertical.meanVelocity) {
            velocities.push_back({vertical.distance, *vertical.meanVelocity});
        }
        if (!vertical.waterEdge) {
            depths.push_back({vertical.distance, vertical.depth});
        }
    }
    if (depths.size() < 3) {
        return notEstimable("测深垂线（水边除外）少于 3 条，无法由相邻垂线插值估计水深的方差",
                            std::string(kIveSource));
    }
    const std::optional<double> sv2 = interpolatedVariance(velocities);
    const std::optional<double> sd2 = interpolatedVariance(depths);
    if (!sv2 || !sd2) {
        return notEstimable("起点距没有逐行增加", std::string(kIveSource));
    }

    const uncertainty::SectionWeights w = uncertainty::sectionWeights(section);
    double depthSum = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!v[i].waterEdge) {
            depthSum += w.byDepth[i] * w.byDepth[i];
        }
    }
    double velocitySum = 0.0;
    for (double d : w.byVelocity) {
        velocitySum += d * d;
    }
    const double uDepth = 100.0 * std::sqrt(*sd2 * depthSum) / q;
    const double uVelocity = 100.0 * std::sqrt(*sv2 * velocitySum) / q;
    const double total = std::sqrt(uDepth * uDepth + uVelocity * uVelocity +
                                   kSystematicPercent * kSystematicPercent);
    if (!std::isfinite(total)) {
        return notEstimable("数值超出范围", std::string(kIveSource));
    }
    const int m = static_cast<int>(velocities.size());
    UncertaintyMethod method;
    method.standardPercent = total;
    method.coverageFactor = studentT975(m - 2);
    method.percent = method.coverageFactor * total;
    method.coverage = "t₀.₉₇₅(" + std::to_string(m - 2) +
                      ") = " + num::fixedText(method.coverageFactor, 2) + "（测速垂线 " +
                      std::to_string(m) + " 条，m − 2 个自由度）";
    method.source = std::string(kIveSource);
    if (std::any_of(v.begin(), v.end(), [](const SectionVertical& x) { return x.waterEdge; })) {
        method.notes.push_back("两岸水边不作插值点，也不作相邻点：水边水深 0 是确定的，岸坡是河床的"
                               "形状而不是测量误差");
        method.caveats.push_back("水边不作插值点");
    }
    if (m < kFewVerticals) {
        method.notes.push_back("测速垂线只有 " + std::to_string(m) + " 条（少于 " +
                               std::to_string(kFewVerticals) +
                               " 条，经验值）：相邻垂线插值把河床和流速分布的弯曲也当作随机误差，"
                               "此估计可能偏大，宜与 ISO 748 对照");
        method.caveats.push_back("垂线少于 " + std::to_string(kFewVerticals) + " 条，可能偏大");
    }
    method.components = {
        {"depth", "水深", uDepth, false, "相邻垂线插值（水边不作插值点）"},
        {"velocity", "流速", uVelocity, false, "相邻垂线插值"},
        {"systematic", "系统误差 u_s", kSystematicPercent, true, std::string(kSystematicSource)}};
    return method;
}

} // namespace

double studentT975(int degreesOfFreedom) {
    if (degreesOfFreedom < 1) {
        return kT975.front();
    }
    if (degreesOfFreedom <= static_cast<int>(kT975.size())) {
        return kT975[static_cast<std::size_t>(degreesOfFreedom - 1)];
    }
    // Beyond the table, the expansion of t in 1/ν about the normal quantile (Abramowitz and
    // Stegun 26.7.5); at ν = 31 it is within 1e-4 of the exact 2.0395.
    const double z = 1.959964;
    const double n = degreesOfFreedom;
    const double z3 = z * z * z;
    const double z5 = z3 * z * z;
    const double z7 = z5 * z * z;
    return z + (z3 + z) / (4 * n) + (5 * z5 + 16 * z3 + 3 * z) / (96 * n * n) +
           (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / (384 * n * n * n);
}

SectionUncertainty estimateUncertainty(const MeasuredSection& section) {
    return {ive(section), iso748Uncertainty(section)};
}

std::string uncertaintyPercentText(double percent) {
    return num::fixedText(percent, 1);
}

std::string uncertaintyShort(const UncertaintyMethod& method, std::string_view name) {
    if (!method.percent) {
        return std::string(name) + " 无法估算（" +
               (method.reason.empty() ? std::string("尚未计算出断面流量") : method.reason) + "）";
    }
    std::string text =
        "± " + uncertaintyPercentText(*method.percent) + " %（" + std::string(name) + "，95%";
    for (const UncertaintyComponent& c : method.components) {
        if (!c.percent) {
            text += "，不含" + std::string(c.name);
        }
    }
    for (const std::string& caveat : method.caveats) {
        text += "，" + caveat;
    }
    return text + "）";
}

std::string dischargeUncertainty(const UncertaintyMethod& iso748, std::string_view dischargeText) {
    const std::string q = "Q = " + std::string(dischargeText) + " m³/s";
    return iso748.percent ? q + " " + uncertaintyShort(iso748, "ISO 748")
                          : q + "　" + uncertaintyShort(iso748, "ISO 748");
}

std::string iveUncertainty(const UncertaintyMethod& ive) {
    if (!ive.percent) {
        return uncertaintyShort(ive, "IVE");
    }
    std::string text = "IVE ± " + uncertaintyPercentText(*ive.percent) + " %（95%";
    for (const std::string& caveat : ive.caveats) {
        text += "，" + caveat;
    }
    return text + "）";
}

std::string uncertaintySummary(const SectionUncertainty& uncertainty,
                               std::string_view dischargeText) {
    const UncertaintyMethod& iso = uncertainty.iso748;
    const UncertaintyMethod& ive = uncertainty.ive;
    if (!iso.percent && !ive.percent && iso.reason == ive.reason) {
        return "Q = " + std::string(dischargeText) + " m³/s　不确定度无法估算（" + ive.reason +
               "）";
    }
    return dischargeUncertainty(iso, dischargeText) + "　" + iveUncertainty(ive);
}

} // namespace tarnelo
