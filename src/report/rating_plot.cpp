#include "report/rating_plot.hpp"

#include "drawing/drawing.hpp"
#include "measure/numtext.hpp"
#include "report/svg_text.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tarnelo {

namespace {

constexpr double kWidth = kRatingPlotWidth;
constexpr double kHeight = kRatingPlotHeight;
constexpr double kLeft = 84.0;
constexpr double kRight = 800.0;
constexpr double kTop = 70.0;
constexpr double kBottom = kHeight - 70.0;
// The panel beside the plot with the verdict, the tests and the legend.
constexpr double kPanel = 820.0;
constexpr double kPanelWidth = kWidth - kPanel - 16.0;
constexpr double kLabelSize = 10.0;

constexpr std::string_view kInk = "#333333";
constexpr std::string_view kGrid = "#E3E3E3";
constexpr std::string_view kCurve = "#2E75B6";
constexpr std::string_view kBand = "#DEEBF7";
constexpr std::string_view kPoint = "#1F4E79";
constexpr std::string_view kRising = "#C55A11";
constexpr std::string_view kFalling = "#2E7D32";
constexpr std::string_view kBar = "#9DC3E6";
constexpr std::string_view kOutlier = "#D9381E";
constexpr std::string_view kExcluded = "#A6A6A6";
constexpr std::string_view kPass = "#2E7D32";

using drawing::Anchor;
using svg::tickStep;
using Items = std::vector<drawing::Item>;

int decimalsOf(double step) {
    return step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

drawing::Text text(double x, double y, std::string_view content, Anchor anchor = Anchor::Start,
                   double size = 13, std::string_view colour = kInk, bool bold = false) {
    drawing::Text t{{x, y}, std::string(content), size, anchor, std::string(colour), bold, false};
    t.sizeDecimals = 1;
    return t;
}

drawing::Line line(double x1, double y1, double x2, double y2, std::string_view colour,
                   double width = 1.0) {
    return {{x1, y1}, {x2, y2}, std::string(colour), width, {}};
}

// The width of a text in the picture's font: a wide (CJK) character about 1 em, others 0.6 em.
double textWidth(std::string_view content, double size) {
    return svg::textEms(content) * size;
}

// The text cut into lines no wider than `width`, at character boundaries.
std::vector<std::string> wrapped(std::string_view content, double size, double width) {
    std::vector<std::string> lines(1);
    double used = 0.0;
    for (std::size_t i = 0; i < content.size();) {
        const auto c = static_cast<unsigned char>(content[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const double w = textWidth(content.substr(i, length), size);
        if (used + w > width && !lines.back().empty()) {
            lines.emplace_back("  ");
            used = 1.2 * size;
        }
        lines.back() += content.substr(i, length);
        used += w;
        i += length;
    }
    return lines;
}

struct Box {
    double x0, y0, x1, y1;
    bool meets(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// What is drawn on the plot, kept by the squares of a grid it covers, so that a new label is
// tried against what lies near it alone: a year of many gaugings costs in proportion to them.
class Taken {
  public:
    void add(const Box& box) {
        const std::size_t index = boxes_.size();
        boxes_.push_back(box);
        eachCell(box, [&](std::size_t cell) {
            cells_[cell].push_back(index);
            return false;
        });
    }

    bool meets(const Box& box) const {
        return eachCell(box, [&](std::size_t cell) {
            return std::any_of(cells_[cell].begin(), cells_[cell].end(),
                               [&](std::size_t i) { return boxes_[i].meets(box); });
        });
    }

  private:
    static constexpr double kCell = 16.0;
    static constexpr int kColumns = static_cast<int>(kWidth / kCell) + 1;
    static constexpr int kRows = static_cast<int>(kHeight / kCell) + 1;

    static int index(double at, int count) {
        const double cell = std::floor(at / kCell);
        // NaN and beyond the picture go to its edge squares.
        return !(cell >= 0.0) ? 0 : cell >= count - 1 ? count - 1 : static_cast<int>(cell);
    }

    // Calls `visit` on each square the box covers until it says true; whether it did.
    template <typename Visit> bool eachCell(const Box& box, const Visit& visit) const {
        const int c0 = index(box.x0, kColumns);
        const int c1 = std::max(c0, index(box.x1, kColumns));
        const int r0 = index(box.y0, kRows);
        const int r1 = std::max(r0, index(box.y1, kRows));
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                if (visit(static_cast<std::size_t>(r * kColumns + c))) {
                    return true;
                }
            }
        }
        return false;
    }

    std::vector<Box> boxes_;
    std::vector<std::vector<std::size_t>> cells_ =
        std::vector<std::vector<std::size_t>>(static_cast<std::size_t>(kColumns * kRows));
};

// The marker of a gauging: ▲ rising, ▼ falling, ● steady or unknown; hollow when left out.
drawing::Item marker(double x, double y, station::Trend trend, std::string_view colour,
                     bool hollow) {
    const std::string fill = hollow ? "#FFFFFF" : std::string(colour);
    const std::string stroke = hollow ? std::string(colour) : std::string();
    if (trend == station::Trend::Rising || trend == station::Trend::Falling) {
        const double s = trend == station::Trend::Rising ? -1.0 : 1.0;
        return drawing::Path{{{x, y + s * 5.0}, {x - 4.5, y - s * 3.5}, {x + 4.5, y - s * 3.5}},
                             true,
                             fill,
                             1.0,
                             stroke,
                             hollow ? 1.3 : 0.0,
                             {}};
    }
    return drawing::Circle{{x, y}, 3.5, fill, stroke, 1.3};
}

// Maps stage and discharge to the plot, on linear or logarithmic axes.
struct Axes {
    bool logarithmic = false;
    double zBase = 0.0; // stage whose depth is 0 on a logarithmic stage axis
    double zLow = 0.0, zHigh = 1.0, zStep = 1.0;
    double qLow = 0.0, qHigh = 1.0, qStep = 1.0;

    double depth(double z) const { return std::log10(std::max(z - zBase, 1e-6)); }
    double x(double q) const {
        return logarithmic ? kLeft + (kRight - kLeft) * (std::log10(std::max(q, 1e-9)) - qLow) /
                                         (qHigh - qLow)
                           : kLeft + (kRight - kLeft) * (q - qLow) / (qHigh - qLow);
    }
    double y(double z) const {
        const double at = logarithmic ? depth(z) : z;
        return kBottom - (kBottom - kTop) * (at - zLow) / (zHigh - zLow);
    }
};

Axes axesFor(const RatingReport& report, const RatingPlotOptions& options) {
    Axes a;
    double zMin = INFINITY;
    double zMax = -INFINITY;
    double qMin = INFINITY;
    double qMax = 0.0;
    for (const auto& p : report.points) {
        zMin = std::min(zMin, p.stage);
        zMax = std::max(zMax, p.stage);
        qMin = std::min(qMin, p.discharge);
        qMax = std::max(qMax, p.discharge * (1.0 + p.uncertainty.value_or(0.0) / 100.0));
    }
    const auto& fit = report.fit();
    a.logarithmic = options.logarithmic && qMin > 0.0;
    if (a.logarithmic) {
        const bool power = fit.problem.empty() && fit.curve.form == station::RatingForm::Power &&
                           fit.curve.z0 < zMin;
        a.zBase = power ? fit.curve.z0 : zMin - std::max((zMax - zMin) * 0.1, 0.05);
        a.zLow = std::floor(a.depth(zMin) * 10.0 - 0.5) / 10.0;
        a.zHigh = std::ceil(a.depth(zMax) * 10.0 + 0.5) / 10.0;
        a.qLow = std::floor(std::log10(qMin * 0.8));
        a.qHigh = std::ceil(std::log10(qMax * 1.1));
        a.zStep = tickStep(zMax - zMin, 8);
        return a;
    }
    const double zPad = std::max((zMax - zMin) * 0.08, 0.05);
    a.zStep = tickStep(zMax - zMin + 2 * zPad, 8);
    a.zLow = std::floor((zMin - zPad) / a.zStep) * a.zStep;
    a.zHigh = std::ceil((zMax + zPad) / a.zStep) * a.zStep;
    a.qStep = tickStep(qMax * 1.05, 8);
    a.qHigh = std::ceil(qMax * 1.05 / a.qStep) * a.qStep;
    return a;
}

// The most grid lines of one axis: the steps give about eight, and a step that no longer moves
// a huge stage (1e308 + 1 == 1e308) must not draw for ever.
constexpr int kMostTicks = 40;

void gridAndAxes(const Axes& a, Items& svg) {
    const int zDecimals = decimalsOf(a.zStep);
    if (a.logarithmic) {
        // Stage ticks at round stages, placed by their depth above the base.
        const double from = std::ceil((a.zBase + std::pow(10.0, a.zLow)) / a.zStep) * a.zStep;
        for (int i = 0; i <= kMostTicks; ++i) {
            const double z = from + i * a.zStep;
            if (!(a.depth(z) <= a.zHigh + 1e-9)) {
                break;
            }
            svg.emplace_back(line(kLeft, a.y(z), kRight, a.y(z), kGrid));
            svg.emplace_back(
                text(kLeft - 8, a.y(z) + 4, num::fixedText(z, zDecimals), Anchor::End, 12));
        }
        const auto decade = [](double at) {
            return std::isfinite(at) ? static_cast<int>(std::clamp(at, -400.0, 400.0)) : 0;
        };
        const int lowDecade = decade(a.qLow);
        const int highDecade = std::min(decade(a.qHigh), lowDecade + kMostTicks);
        for (int power = lowDecade; power < highDecade; ++power) {
            for (const int m : {1, 2, 5}) {
                const double q = m * std::pow(10.0, power);
                svg.emplace_back(line(a.x(q), kTop, a.x(q), kBottom, kGrid));
                svg.emplace_back(text(a.x(q), kBottom + 18, num::plainText(q), Anchor::Middle, 12));
            }
        }
    } else {
        for (int i = 0; i <= kMostTicks; ++i) {
            const double z = a.zLow + i * a.zStep;
            if (!(z <= a.zHigh + a.zStep / 2)) {
                break;
            }
            svg.emplace_back(line(kLeft, a.y(z), kRight, a.y(z), kGrid));
            svg.emplace_back(
                text(kLeft - 8, a.y(z) + 4, num::fixedText(z, zDecimals), Anchor::End, 12));
        }
        const int qDecimals = decimalsOf(a.qStep);
        for (int i = 0; i <= kMostTicks; ++i) {
            const double q = i * a.qStep;
            if (!(q <= a.qHigh + a.qStep / 2)) {
                break;
            }
            svg.emplace_back(line(a.x(q), kTop, a.x(q), kBottom, kGrid));
            svg.emplace_back(
                text(a.x(q), kBottom + 18, num::fixedText(q, qDecimals), Anchor::Middle, 12));
        }
    }
    svg.emplace_back(line(kLeft, kBottom, kRight, kBottom, kInk));
    svg.emplace_back(line(kLeft, kTop, kLeft, kBottom, kInk));
    svg.emplace_back(text((kLeft + kRight) / 2, kBottom + 44,
                          a.logarithmic ? "流量 Q (m³/s)，对数坐标" : "流量 Q (m³/s)",
                          Anchor::Middle, 14));
    const std::string stage = a.logarithmic
                                  ? "水位 Z (m)，按 Z − " + num::fixedText(a.zBase, 2) + " 取对数"
                                  : "水位 Z (m)";
    drawing::Text title{{24, (kTop + kBottom) / 2}, stage, 14,  Anchor::Middle,
                        std::string(kInk),          false, true};
    title.xDecimals = 0;
    svg.emplace_back(std::move(title));
}

// The curve and, around it, the band of the class's random-uncertainty limit.
void curveAndBand(const RatingReport& report, const Axes& a, double zMin, double zMax, Items& svg) {
    const auto& curve = report.fit().curve;
    const double limit = station::precisionIndex(report.stationClass).random / 100.0;
    std::vector<drawing::Point> path;
    std::vector<drawing::Point> upper;
    std::vector<drawing::Point> lower;
    constexpr int kSteps = 200;
    const double qCeiling = a.logarithmic ? std::pow(10.0, a.qHigh) : a.qHigh;
    for (int k = 0; k <= kSteps; ++k) {
        const double z = zMin + (zMax - zMin) * k / kSteps;
        const double q = curve.discharge(z);
        if (!(q > 0.0) || q > qCeiling * 1.5) {
            continue;
        }
        // Kept inside the plot: the curve stops at its right edge, the band is cut there (the
        // picture is also shown by renderers without clipping).
        if (a.x(q) > kRight) {
            break;
        }
        const auto inside = [](double x) { return std::clamp(x, kLeft, kRight); };
        path.push_back({a.x(q), a.y(z)});
        upper.push_back({inside(a.x(q * (1 + limit))), a.y(z)});
        lower.push_back({inside(a.x(q * (1 - limit))), a.y(z)});
    }
    if (!upper.empty()) {
        upper.insert(upper.end(), lower.rbegin(), lower.rend());
        svg.emplace_back(
            drawing::Path{std::move(upper), true, std::string(kBand), 0.8, "none", 0.0, {}});
    }
    svg.emplace_back(
        drawing::Path{std::move(path), false, "none", 1.0, std::string(kCurve), 2.0, {}});
}

// The gaugings joined in the order they were made.
void timeOrderLine(const std::vector<station::RatingPoint>& points, const Axes& a, Items& svg) {
    std::vector<std::size_t> order(points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
        return points[i].minutes < points[j].minutes;
    });
    std::vector<drawing::Point> path;
    for (const std::size_t i : order) {
        path.push_back({a.x(points[i].discharge), a.y(points[i].stage)});
    }
    svg.emplace_back(drawing::Path{std::move(path), false, "none", 1.0, "#7F7F7F", 0.8, "3 3"});
}

// The trend or state of a gauging: excluded, an outlier, rising, falling or steady.
struct Marks {
    const RatingReport& report;
    std::vector<char> outlier;

    explicit Marks(const RatingReport& r) : report(r), outlier(r.points.size(), 0) {
        for (const station::Outlier& o : r.review.outliers) {
            if (o.point < outlier.size()) {
                outlier[o.point] = 1;
            }
        }
    }
    bool excluded(std::size_t i) const {
        return i < report.review.excluded.size() && !report.review.excluded[i].empty();
    }
    station::Trend trend(std::size_t i) const {
        return i < report.review.trends.size() ? report.review.trends[i] : station::Trend::Unknown;
    }
};

// Each gauging's uncertainty bar and marker, kept in `taken`; the colour of each.
std::vector<std::string_view> gaugings(const RatingReport& report, const Axes& a, Taken& taken,
                                       Items& svg) {
    const auto& points = report.points;
    const Marks marks(report);
    std::vector<std::string_view> colours(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& p = points[i];
        colours[i] = marks.excluded(i)                           ? kExcluded
                     : marks.outlier[i] != 0                     ? kOutlier
                     : marks.trend(i) == station::Trend::Rising  ? kRising
                     : marks.trend(i) == station::Trend::Falling ? kFalling
                                                                 : kPoint;
        const double x = a.x(p.discharge);
        const double y = a.y(p.stage);
        if (p.uncertainty && !marks.excluded(i)) {
            const double d = p.discharge * *p.uncertainty / 100.0;
            svg.emplace_back(line(a.x(p.discharge - d), y, a.x(p.discharge + d), y,
                                  marks.outlier[i] != 0 ? kOutlier : kBar, 1.5));
            svg.emplace_back(
                line(a.x(p.discharge - d), y - 3, a.x(p.discharge - d), y + 3, kBar, 1.2));
            svg.emplace_back(
                line(a.x(p.discharge + d), y - 3, a.x(p.discharge + d), y + 3, kBar, 1.2));
        }
        svg.emplace_back(marker(x, y, marks.trend(i), colours[i], marks.excluded(i)));
        taken.add({x - 5, y - 5, x + 5, y + 5});
    }
    return colours;
}

// Labels at the first of eight places around the marker, near and then farther with a leader,
// that overlaps nothing drawn; the labels with no such place, to be listed beside the plot.
std::vector<std::string> labels(const std::vector<station::RatingPoint>& points, const Axes& a,
                                const std::vector<std::string_view>& colours, Taken& taken,
                                Items& svg) {
    std::vector<std::string> unlabelled;
    static constexpr double kPlaces[][2] = {{1, -1}, {1, 1},  {-1, -1}, {-1, 1},
                                            {1, 0},  {-1, 0}, {0, -1},  {0, 1}};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = a.x(points[i].discharge);
        const double y = a.y(points[i].stage);
        const double w = textWidth(points[i].label, kLabelSize);
        const double h = kLabelSize;
        bool placed = false;
        for (int ring = 0; ring < 2 && !placed; ++ring) {
            const double d = ring == 0 ? 5.0 : 16.0;
            for (const auto& place : kPlaces) {
                const double left = place[0] > 0 ? x + d : place[0] < 0 ? x - d - w : x - w / 2;
                const double top = place[1] < 0 ? y - d - h : place[1] > 0 ? y + d : y - h / 2;
                const Box box{left, top, left + w, top + h};
                if (box.x0 < kLeft + 1 || box.x1 > kRight || box.y0 < kTop ||
                    box.y1 > kBottom - 1) {
                    continue;
                }
                if (taken.meets(box)) {
                    continue;
                }
                taken.add(box);
                if (ring > 0) {
                    // The leader ends at the label's nearest corner or edge.
                    const double lx = std::clamp(x, box.x0, box.x1);
                    const double ly = std::clamp(y, box.y0, box.y1);
                    svg.emplace_back(
                        line(x + place[0] * 4.0, y + place[1] * 4.0, lx, ly, "#A6A6A6", 0.6));
                }
                svg.emplace_back(text(left, top + h - 1.5, points[i].label, Anchor::Start,
                                      kLabelSize, colours[i]));
                placed = true;
                break;
            }
        }
        if (!placed) {
            unlabelled.push_back(points[i].label);
        }
    }
    return unlabelled;
}

// The panel's lines: the verdict first, then the curve, the tests and the legend.
using PanelLines = std::vector<std::pair<std::string, std::string_view>>;

PanelLines verdictLines(const RatingReport& report) {
    const auto& fit = report.fit();
    const auto& review = report.review;
    PanelLines lines;
    if (!fit.problem.empty()) {
        lines.emplace_back("未能定线：" + fit.problem, kOutlier);
    } else {
        const station::RatingVerdict verdict = report.verdict();
        lines.emplace_back("定线结论：" + verdict.headline(), verdict.adequate ? kPass : kOutlier);
        for (const std::string& reason : verdict.reasons) {
            lines.emplace_back("· " + reason, kOutlier);
        }
        for (const std::string& note : verdict.notes) {
            lines.emplace_back("· " + note, kInk);
        }
        lines.emplace_back("", kInk);
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
        const auto kept = std::count_if(
            review.outliers.begin(), review.outliers.end(),
            [&](const station::Outlier& o) { return !review.isUnhandledOutlier(o.point); });
        lines.emplace_back("参加定线 " + std::to_string(fit.tests.n) + " 个，突出点 " +
                               std::to_string(review.outliers.size()) + " 个" +
                               (kept > 0 ? "（经复核保留 " + std::to_string(kept) + " 个）" : ""),
                           review.outliers.empty() ? kInk : kOutlier);
        const double limit = station::precisionIndex(report.stationClass).random;
        lines.emplace_back("", kInk);
        lines.emplace_back("浅蓝带：关系线 ±" + num::plainText(limit) + "%（" +
                               station::className(report.stationClass) + "随机不确定度指标）",
                           kInk);
    }
    return lines;
}

void panel(const RatingReport& report, const RatingPlotOptions& options,
           const std::vector<std::string>& unlabelled, Items& svg) {
    PanelLines lines = verdictLines(report);
    lines.emplace_back("▲ 涨水  ▼ 落水  ● 平水或不明（基本水尺始、终读数差 2 cm 为界，经验值）",
                       kInk);
    lines.emplace_back("红：突出点  空心灰：不参加定线  横线：实测流量的 95% 不确定度", kInk);
    if (options.timeOrder) {
        lines.emplace_back("虚线：按施测时间顺序连接", kInk);
    }
    if (!unlabelled.empty()) {
        std::string list;
        for (const std::string& label : unlabelled) {
            list += (list.empty() ? "" : "、") + label;
        }
        lines.emplace_back("图中未标号（无处可标）：" + list, kInk);
    }
    double y = kTop + 8;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double size = i == 0 ? 15 : 12;
        for (const std::string& part : wrapped(lines[i].first, size, kPanelWidth)) {
            if (y > kHeight - 12) {
                break;
            }
            svg.emplace_back(text(kPanel, y, part, Anchor::Start, size, lines[i].second, i == 0));
            y += size + 6;
        }
    }
}

} // namespace

drawing::Drawing ratingPlotDrawing(const RatingReport& report, const RatingPlotOptions& options) {
    const auto& points = report.points;
    drawing::Drawing picture;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.fontFamily = std::string(drawing::kPictureFonts);
    picture.svgHead = drawing::SvgHead::Bare;
    Items& svg = picture.items;
    const std::string title = (report.station.empty() ? std::string() : report.station + " ") +
                              (report.year > 0 ? std::to_string(report.year) + " 年" : "") +
                              "水位流量关系";
    svg.emplace_back(text(kWidth / 2, 34, title, Anchor::Middle, 20, kInk, true));
    if (points.empty()) {
        svg.emplace_back(text(kWidth / 2, kHeight / 2, "没有可用的测点", Anchor::Middle, 16));
        return picture;
    }
    const Axes a = axesFor(report, options);
    gridAndAxes(a, svg);
    double zMin = INFINITY;
    double zMax = -INFINITY;
    for (const auto& p : points) {
        zMin = std::min(zMin, p.stage);
        zMax = std::max(zMax, p.stage);
    }
    if (report.fit().problem.empty()) {
        curveAndBand(report, a, zMin, zMax, svg);
    }
    if (options.timeOrder) {
        timeOrderLine(points, a, svg);
    }
    // Bars and markers first, so that labels can keep clear of every marker.
    Taken taken;
    const std::vector<std::string_view> colours = gaugings(report, a, taken, svg);
    panel(report, options, labels(points, a, colours, taken, svg), svg);
    return picture;
}

std::string ratingPlotSvg(const RatingReport& report, const RatingPlotOptions& options) {
    return drawing::svgOf(ratingPlotDrawing(report, options));
}

} // namespace tarnelo
