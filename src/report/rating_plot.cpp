#include "report/rating_plot.hpp"

#include "compute/numtext.hpp"
#include "report/svg_text.hpp"

#include <algorithm>
#include <cmath>

namespace tarnelo {

namespace {

constexpr double kWidth = kRatingPlotWidth;
constexpr double kHeight = kRatingPlotHeight;
constexpr double kLeft = 84.0;
constexpr double kRight = kWidth - 40.0;
constexpr double kTop = 70.0;
constexpr double kBottom = kHeight - 70.0;

constexpr std::string_view kFont = "WenQuanYi Micro Hei, Noto Sans CJK SC, Source Han Sans SC, "
                                   "Microsoft YaHei, SimHei, sans-serif";
constexpr std::string_view kInk = "#333333";
constexpr std::string_view kGrid = "#E3E3E3";
constexpr std::string_view kCurve = "#2E75B6";
constexpr std::string_view kPoint = "#1F4E79";
constexpr std::string_view kBar = "#9DC3E6";
constexpr std::string_view kOutlier = "#D9381E";
constexpr std::string_view kPass = "#2E7D32";

std::string n1(double value) {
    return num::fixedText(value, 1);
}

using svg::tickStep;
using svg::xmlText;

int decimalsOf(double step) {
    return step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

std::string text(double x, double y, std::string_view content, std::string_view anchor = "start",
                 double size = 13, std::string_view colour = kInk, bool bold = false) {
    return "<text x=\"" + n1(x) + "\" y=\"" + n1(y) + "\" font-size=\"" + n1(size) +
           "\" text-anchor=\"" + std::string(anchor) + "\" fill=\"" + std::string(colour) + "\"" +
           (bold ? " font-weight=\"bold\"" : "") + ">" + xmlText(content) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, std::string_view colour,
                 double width = 1.0) {
    return "<line x1=\"" + n1(x1) + "\" y1=\"" + n1(y1) + "\" x2=\"" + n1(x2) + "\" y2=\"" +
           n1(y2) + "\" stroke=\"" + std::string(colour) + "\" stroke-width=\"" + n1(width) +
           "\"/>\n";
}

} // namespace

std::string ratingPlotSvg(const RatingReport& report) {
    const auto& points = report.points;
    const auto& fit = report.fit;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + n1(kWidth) +
                      "\" height=\"" + n1(kHeight) + "\" viewBox=\"0 0 " + n1(kWidth) + " " +
                      n1(kHeight) + "\" font-family=\"" + std::string(kFont) + "\">\n";
    svg += "<rect width=\"" + n1(kWidth) + "\" height=\"" + n1(kHeight) + "\" fill=\"#FFFFFF\"/>\n";
    const std::string title = (report.station.empty() ? std::string() : report.station + " ") +
                              (report.year > 0 ? std::to_string(report.year) + " 年" : "") +
                              "水位流量关系";
    svg += text(kWidth / 2, 34, title, "middle", 20, kInk, true);
    if (points.empty()) {
        svg += text(kWidth / 2, kHeight / 2, "没有可用的测点", "middle", 16);
        return svg + "</svg>\n";
    }
    double zMin = INFINITY;
    double zMax = -INFINITY;
    double qMax = 0.0;
    for (const auto& p : points) {
        zMin = std::min(zMin, p.stage);
        zMax = std::max(zMax, p.stage);
        qMax = std::max(qMax, p.discharge * (1.0 + p.uncertainty.value_or(0.0) / 100.0));
    }
    const double zPad = std::max((zMax - zMin) * 0.08, 0.05);
    const double zStep = tickStep(zMax - zMin + 2 * zPad, 8);
    const double zLow = std::floor((zMin - zPad) / zStep) * zStep;
    const double zHigh = std::ceil((zMax + zPad) / zStep) * zStep;
    const double qStep = tickStep(qMax * 1.05, 8);
    const double qHigh = std::ceil(qMax * 1.05 / qStep) * qStep;
    const auto X = [&](double q) { return kLeft + (kRight - kLeft) * q / qHigh; };
    const auto Y = [&](double z) {
        return kBottom - (kBottom - kTop) * (z - zLow) / (zHigh - zLow);
    };

    // Grid and axes.
    const int zDecimals = decimalsOf(zStep);
    for (double z = zLow; z <= zHigh + zStep / 2; z += zStep) {
        svg += line(kLeft, Y(z), kRight, Y(z), kGrid);
        svg += text(kLeft - 8, Y(z) + 4, num::fixedText(z, zDecimals), "end", 12);
    }
    const int qDecimals = decimalsOf(qStep);
    for (double q = 0.0; q <= qHigh + qStep / 2; q += qStep) {
        svg += line(X(q), kTop, X(q), kBottom, kGrid);
        svg += text(X(q), kBottom + 18, num::fixedText(q, qDecimals), "middle", 12);
    }
    svg += line(kLeft, kBottom, kRight, kBottom, kInk);
    svg += line(kLeft, kTop, kLeft, kBottom, kInk);
    svg += text((kLeft + kRight) / 2, kBottom + 44, "流量 Q (m³/s)", "middle", 14);
    svg += "<text x=\"24\" y=\"" + n1((kTop + kBottom) / 2) +
           "\" font-size=\"14\" text-anchor=\"middle\" fill=\"" + std::string(kInk) +
           "\" transform=\"rotate(-90 24 " + n1((kTop + kBottom) / 2) + ")\">水位 Z (m)</text>\n";

    // The curve across the gauged range.
    if (fit.problem.empty()) {
        std::string path;
        constexpr int kSteps = 200;
        for (int k = 0; k <= kSteps; ++k) {
            const double z = zMin + (zMax - zMin) * k / kSteps;
            const double q = fit.curve.discharge(z);
            if (!(q >= 0.0) || q > qHigh * 1.5) {
                continue;
            }
            path += (path.empty() ? "M" : " L") + n1(X(q)) + " " + n1(Y(z));
        }
        svg += "<path d=\"" + path + "\" fill=\"none\" stroke=\"" + std::string(kCurve) +
               "\" stroke-width=\"2\"/>\n";
    }

    // Gaugings with their 95 % bars, numbered.
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& p = points[i];
        const bool outlier = std::find(fit.tests.outliers.begin(), fit.tests.outliers.end(), i) !=
                             fit.tests.outliers.end();
        const std::string_view colour = outlier ? kOutlier : kPoint;
        const double x = X(p.discharge);
        const double y = Y(p.stage);
        if (p.uncertainty) {
            const double d = p.discharge * *p.uncertainty / 100.0;
            svg +=
                line(X(p.discharge - d), y, X(p.discharge + d), y, outlier ? kOutlier : kBar, 1.5);
            svg += line(X(p.discharge - d), y - 3, X(p.discharge - d), y + 3, kBar, 1.2);
            svg += line(X(p.discharge + d), y - 3, X(p.discharge + d), y + 3, kBar, 1.2);
        }
        svg += "<circle cx=\"" + n1(x) + "\" cy=\"" + n1(y) + "\" r=\"3.5\" fill=\"" +
               std::string(colour) + "\"/>\n";
        svg += text(x + 5, y - 5, p.label, "start", 10, colour);
    }

    // Verdicts in the lower right corner, where a rising curve leaves room.
    std::vector<std::pair<std::string, std::string_view>> lines;
    if (!fit.problem.empty()) {
        lines.emplace_back("未能定线：" + fit.problem, kOutlier);
    } else {
        const station::RatingVerdict verdict = report.verdict();
        lines.emplace_back("定线结论：" + verdict.headline(), verdict.adequate ? kPass : kOutlier);
        for (const std::string& reason : verdict.reasons) {
            lines.emplace_back("  " + reason, kOutlier);
        }
        lines.emplace_back(fit.curve.equation(), kInk);
        for (const auto* t : {&fit.tests.sign, &fit.tests.run, &fit.tests.deviation}) {
            const std::string value = t->statistic ? num::fixedText(*t->statistic, 2) + " / " +
                                                         num::fixedText(t->critical, 2)
                                                   : "免检";
            lines.emplace_back(std::string(t->name) + "  " + value + "  " + verdictText(t->passed),
                               t->passed ? kPass : kOutlier);
        }
        lines.emplace_back(
            "偏离数值检验 α = " + num::plainText(fit.tests.alpha) + "（SL/T 247-2020）", kInk);
        lines.emplace_back("系统误差 " + num::fixedText(fit.tests.meanDeviation * 100, 2) +
                               "%，随机不确定度 " +
                               num::fixedText(fit.tests.randomUncertainty * 100, 2) + "%",
                           kInk);
        lines.emplace_back("测点 " + std::to_string(fit.tests.n) + " 个，突出点（>3Se）" +
                               std::to_string(fit.tests.outliers.size()) + " 个",
                           fit.tests.outliers.empty() ? kInk : kOutlier);
        lines.emplace_back("横线：实测流量的 95% 不确定度", kInk);
    }
    const double boxWidth = 330;
    const double boxHeight = 18.0 * static_cast<double>(lines.size()) + 14;
    const double bx = kRight - boxWidth - 10;
    const double by = kBottom - boxHeight - 10;
    svg += "<rect x=\"" + n1(bx) + "\" y=\"" + n1(by) + "\" width=\"" + n1(boxWidth) +
           "\" height=\"" + n1(boxHeight) +
           "\" fill=\"#FFFFFF\" fill-opacity=\"0.92\" stroke=\"#BFBFBF\"/>\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        svg += text(bx + 10, by + 22 + 18.0 * static_cast<double>(i), lines[i].first, "start", 12,
                    lines[i].second, i == 0);
    }
    return svg + "</svg>\n";
}

} // namespace tarnelo
