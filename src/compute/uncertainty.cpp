#include "compute/uncertainty.hpp"

#include "compute/numtext.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarnelo {

namespace {

// Coverage factor of the 95 % level.
constexpr double kCoverage = 2.0;

// Standard uncertainties that the interpolation cannot see, as the U.S. Geological Survey's
// image-velocimetry tools (IVyTools, uncertainty.py) add them to their IVE: the current
// meter's systematic uncertainty 1 %, other systematic sources 1 %, and a random uncertainty
// of 0.5 % in each width.
constexpr double kMeterSystematic = 0.01;
constexpr double kOtherSystematic = 0.01;
constexpr double kWidth = 0.005;

// ISO 748:2007, table of the standard uncertainty due to the number of verticals (as IVyTools,
// uncertainty.py, quotes it): 5 verticals 7.5 %, 10 4.5 %, 15 3 %, 20 2.5 %, 25 2 %, 30 1.5 %,
// 35 and more 1 %; interpolated linearly between the tabulated counts.
struct VerticalCount {
    double count;
    double u;
};
constexpr std::array<VerticalCount, 7> kIsoVerticals{
    {{5, 0.075}, {10, 0.045}, {15, 0.030}, {20, 0.025}, {25, 0.020}, {30, 0.015}, {35, 0.010}}};

constexpr std::string_view kIsoLeftOut =
    "ISO 748:2007 附录中测速历时、垂线测点数和流速仪检定的不确定度表值未能从公开资料核实，"
    "此法不作估算";

double percentOf(double u) {
    return kCoverage * u * 100.0;
}

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

UncertaintyMethod notEstimable(std::string reason) {
    UncertaintyMethod method;
    method.reason = std::move(reason);
    return method;
}

// IVE for the mean-section computation of the sheet. Each strip between neighbouring sounding
// verticals i and i+1 has the area a = (d_i + d_{i+1})/2 · (x_{i+1} − x_i) and the velocity of
// its partial u: the mean of the two velocity verticals that bound it, or the bank coefficient
// times the nearest one at a water edge. Q = Σ a·u, so
//   ∂Q/∂d_i = Σ_{strips at i} (x_{i+1} − x_i)/2 · u,   ∂Q/∂v_k = Σ_{strips} a · ∂u/∂v_k,
// and (first-order propagation, independent errors)
//   u²(Q)/Q² = [s_d² Σ_i (∂Q/∂d_i)² + s_v² Σ_k (∂Q/∂v_k)²] / Q²
//            + u_b² Σ_j q_j² / Q² + u_meter² + u_other²,
// the depths of the water edges being exact. U95 = 2·u(Q)/Q.
UncertaintyMethod ive(const MeasuredSection& section) {
    if (!section.computed()) {
        return notEstimable("尚未计算出断面流量");
    }
    const double q = *section.discharge;
    if (!(q > 0.0)) {
        return notEstimable("断面流量不大于 0");
    }
    if (!section.velocityRowsWithoutPlace.empty()) {
        return notEstimable("第 " + std::to_string(section.velocityRowsWithoutPlace.front() + 1) +
                            " 行测速垂线缺少起点距或水深");
    }
    const std::vector<SectionVertical>& v = section.verticals;
    std::vector<std::size_t> velocityAt;
    std::vector<Point> velocities;
    std::vector<Point> depths;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i].velocityVertical && v[i].meanVelocity) {
            velocityAt.push_back(i);
            velocities.push_back({v[i].distance, *v[i].meanVelocity});
        }
        if (!v[i].waterEdge) {
            depths.push_back({v[i].distance, v[i].depth});
        }
    }
    if (velocities.size() < 3) {
        return notEstimable("测速垂线少于 3 条，无法由相邻垂线插值估计流速的方差");
    }
    if (depths.size() < 3) {
        return notEstimable("测深垂线（水边除外）少于 3 条，无法由相邻垂线插值估计水深的方差");
    }
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (!(v[i].distance > v[i - 1].distance)) {
            return notEstimable("起点距没有逐行增加");
        }
    }
    const std::optional<double> sv2 = interpolatedVariance(velocities);
    const std::optional<double> sd2 = interpolatedVariance(depths);
    if (!sv2 || !sd2) {
        return notEstimable("起点距没有逐行增加");
    }

    const std::size_t n = velocityAt.size();
    std::vector<double> byDepth(v.size(), 0.0);
    std::vector<double> byVelocity(n, 0.0);
    std::size_t k = 0; // the velocity vertical at or before the strip's left end
    for (std::size_t i = 0; i + 1 < v.size(); ++i) {
        while (k + 1 < n && velocityAt[k + 1] <= i) {
            ++k;
        }
        const double width = v[i + 1].distance - v[i].distance;
        const double area = (v[i].depth + v[i + 1].depth) / 2.0 * width;
        double u = 0.0;
        if (i + 1 <= velocityAt.front()) {
            u = section.leftBank * velocities.front().y;
            byVelocity.front() += area * section.leftBank;
        } else if (i >= velocityAt.back()) {
            u = section.rightBank * velocities.back().y;
            byVelocity.back() += area * section.rightBank;
        } else {
            u = (velocities[k].y + velocities[k + 1].y) / 2.0;
            byVelocity[k] += area / 2.0;
            byVelocity[k + 1] += area / 2.0;
        }
        byDepth[i] += width / 2.0 * u;
        byDepth[i + 1] += width / 2.0 * u;
    }
    double depthSum = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!v[i].waterEdge) {
            depthSum += byDepth[i] * byDepth[i];
        }
    }
    double velocitySum = 0.0;
    for (double d : byVelocity) {
        velocitySum += d * d;
    }
    double partialSum = 0.0;
    for (const SectionPartial& p : section.partials) {
        partialSum += p.discharge * p.discharge;
    }
    const double uDepth = std::sqrt(*sd2 * depthSum) / q;
    const double uVelocity = std::sqrt(*sv2 * velocitySum) / q;
    const double uWidth = kWidth * std::sqrt(partialSum) / q;
    const double uSystematic = std::hypot(kMeterSystematic, kOtherSystematic);
    const double total = std::sqrt(uDepth * uDepth + uVelocity * uVelocity + uWidth * uWidth +
                                   uSystematic * uSystematic);
    if (!std::isfinite(total)) {
        return notEstimable("数值超出范围");
    }
    UncertaintyMethod method;
    method.percent = percentOf(total);
    method.components = {{"depth", "水深", percentOf(uDepth)},
                         {"velocity", "流速", percentOf(uVelocity)},
                         {"width", "宽度", percentOf(uWidth)},
                         {"systematic", "系统误差", percentOf(uSystematic)}};
    return method;
}

std::optional<double> isoVerticals(int count) {
    if (count < kIsoVerticals.front().count) {
        return std::nullopt;
    }
    if (count >= kIsoVerticals.back().count) {
        return kIsoVerticals.back().u;
    }
    for (std::size_t i = 0; i + 1 < kIsoVerticals.size(); ++i) {
        const VerticalCount& a = kIsoVerticals[i];
        const VerticalCount& b = kIsoVerticals[i + 1];
        if (count >= a.count && count < b.count) {
            return a.u + (b.u - a.u) * (count - a.count) / (b.count - a.count);
        }
    }
    return std::nullopt;
}

// ISO 748:2007 combines the uncertainties of the number of verticals, the points per vertical,
// the exposure time, the meter rating, width and depth. Only the first could be traced to
// public material; the method is therefore left out and the traced component shown alone.
UncertaintyMethod iso748(const MeasuredSection& section) {
    UncertaintyMethod method;
    method.reason = std::string(kIsoLeftOut);
    std::optional<double> verticals;
    if (section.computed()) {
        if (const auto u = isoVerticals(section.velocityVerticalCount())) {
            verticals = percentOf(*u);
        }
    }
    method.components = {{"verticals", "垂线数", verticals},
                         {"pointsPerVertical", "垂线测点数", std::nullopt},
                         {"exposureTime", "测速历时", std::nullopt},
                         {"meterRating", "流速仪检定", std::nullopt},
                         {"width", "宽度", std::nullopt},
                         {"depth", "水深", std::nullopt}};
    return method;
}

} // namespace

SectionUncertainty estimateUncertainty(const MeasuredSection& section) {
    return {ive(section), iso748(section)};
}

std::string uncertaintyPercentText(double percent) {
    return num::fixedText(percent, 1);
}

std::string uncertaintySummary(const SectionUncertainty& uncertainty) {
    std::string text;
    if (uncertainty.ive.percent) {
        text = "IVE " + uncertaintyPercentText(*uncertainty.ive.percent) + "%";
    }
    if (uncertainty.iso748.percent) {
        text += (text.empty() ? "" : "　") + std::string("ISO 748 ") +
                uncertaintyPercentText(*uncertainty.iso748.percent) + "%";
    }
    return "不确定度（95%）：" + (text.empty() ? std::string("无法估算") : text);
}

} // namespace tarnelo
