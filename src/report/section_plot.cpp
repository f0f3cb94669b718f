#include "report/section_plot.hpp"

#include "drawing/drawing.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "report/svg_text.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace tarnelo {

namespace {

constexpr double kWidth = kSectionPlotWidth;
constexpr double kHeight = kSectionPlotHeight;
constexpr double kLeft = 72.0;
constexpr double kRight = kWidth - 76.0;
// The upper panel: partial discharges and vertical velocities.
constexpr double kUpperTop = 86.0;
constexpr double kUpperBottom = 256.0;
// The lower panel: the section, depths downward from the water surface.
constexpr double kLowerTop = 306.0;
constexpr double kLowerBottom = 546.0;
constexpr double kLargestShare = 10.0;
// Vertical numbers are written on at most about this many verticals.
constexpr int kMostLabels = 40;

constexpr std::string_view kInk = "#333333";
constexpr std::string_view kGrid = "#E3E3E3";
constexpr std::string_view kWater = "#DDEBF7";
constexpr std::string_view kSurface = "#2E75B6";
constexpr std::string_view kBed = "#C9A66B";
constexpr std::string_view kBedLine = "#7F5F2A";
constexpr std::string_view kVelocityVertical = "#1F4E79";
constexpr std::string_view kSoundingVertical = "#8C8C8C";
constexpr std::string_view kBar = "#9DC3E6";
constexpr std::string_view kBarEdge = "#5B9BD5";
constexpr std::string_view kMarked = "#D9381E";
constexpr std::string_view kMarkedBar = "#F4A792";
constexpr std::string_view kVelocityLine = "#C55A11";

// An axis never has more ticks than this, whatever the numbers.
constexpr int kMostTicks = 24;
// The largest end of an axis: a number beyond it is drawn as if it were there.
constexpr double kLargestAxisEnd = std::numeric_limits<double>::max() / 16;
// Coordinates stay this close to the picture: a number far out of range only moves a mark off
// the page.
constexpr double kFarthestCoordinate = 1e6;

double onPage(double coordinate) {
    return std::isfinite(coordinate)
               ? std::clamp(coordinate, -kFarthestCoordinate, kFarthestCoordinate)
               : 0.0;
}

using svg::tickStep;

int decimalsFor(double step) {
    const int decimals = static_cast<int>(-std::floor(std::log10(step) + 1e-9));
    return std::clamp(decimals, 0, 3);
}

// A round upper end of an axis from 0 that holds value.
double roundTop(double value, int wanted) {
    if (!(value > 0.0)) {
        return 1.0;
    }
    value = std::min(value, kLargestAxisEnd);
    const double step = tickStep(value, wanted);
    const double top = std::ceil(value / step - 1e-9) * step;
    return top > 0.0 && std::isfinite(top) ? top : value;
}

// The section's items, every number kept near the page (see onPage).
class Builder {
  public:
    Builder() {
        drawing_.width = kWidth;
        drawing_.height = kHeight;
        drawing_.fontFamily = std::string(drawing::kPictureFonts);
    }
    drawing::Drawing finish() { return std::move(drawing_); }
    void line(double x1, double y1, double x2, double y2, std::string_view colour, double width,
              std::string_view dash = {}) {
        add(drawing::Line{point(x1, y1), point(x2, y2), std::string(colour), onPage(width),
                          std::string(dash)});
    }
    void rect(double x, double y, double w, double h, std::string_view fill,
              std::string_view stroke = {}) {
        add(drawing::Rect{onPage(x), onPage(y), onPage(w), onPage(h), std::string(fill),
                          std::string(stroke), 0.8});
    }
    void circle(double x, double y, double r, std::string_view fill) {
        add(drawing::Circle{point(x, y), onPage(r), std::string(fill), {}, 1.0});
    }
    void polygon(std::vector<drawing::Point> points, std::string_view fill,
                 std::string_view stroke) {
        add(drawing::Polygon{std::move(points), std::string(fill), std::string(stroke), 1.5});
    }
    void polyline(std::vector<drawing::Point> points, std::string_view colour, double width) {
        add(drawing::Polyline{std::move(points), std::string(colour), onPage(width)});
    }
    // anchor: start, middle or end.
    void text(double x, double y, std::string_view content, int size,
              drawing::Anchor anchor = drawing::Anchor::Start, std::string_view colour = kInk,
              bool bold = false) {
        add(drawing::Text{point(x, y), std::string(content), static_cast<double>(size), anchor,
                          std::string(colour), bold, false});
    }
    // Text turned a quarter to the left (a vertical axis title).
    void sideText(double x, double y, std::string_view content, int size) {
        add(drawing::Text{point(x, y), std::string(content), static_cast<double>(size),
                          drawing::Anchor::Middle, std::string(kInk), false, true});
    }
    void reserve(std::size_t items) { drawing_.items.reserve(items); }
    static drawing::Point point(double x, double y) { return {onPage(x), onPage(y)}; }

  private:
    template <typename T> void add(T&& item) { drawing_.items.emplace_back(std::forward<T>(item)); }
    drawing::Drawing drawing_;
};

class Plot {
  public:
    Plot(const MeasuredSection& section, const SectionPlotTitle& title,
         std::span<const Finding> findings, const SectionUncertainty& uncertainty,
         const StopAsked& stopAsked)
        : section_(section), title_(title), uncertainty_(uncertainty), stopAsked_(stopAsked) {
        for (const Finding& f : findings) {
            if (!f.isCell()) {
                continue;
            }
            if (f.column == col::部分流量) {
                markedPartials_.insert(f.row);
                markedPartials_.insert(f.alsoRows.begin(), f.alsoRows.end());
            } else {
                markedRows_.insert(f.row);
            }
        }
    }

    drawing::Drawing draw() {
        out_.reserve(64 + section_.verticals.size() * 6);
        heading();
        if (const auto problem = sectionPlotProblem(section_)) {
            out_.text(kWidth / 2, (kUpperTop + kLowerBottom) / 2, *problem, 16,
                      drawing::Anchor::Middle);
            return out_.finish();
        }
        if (section_.verticals.empty()) {
            out_.text(kWidth / 2, (kUpperTop + kLowerBottom) / 2,
                      "没有可画的测深垂线（起点距和水深）", 16, drawing::Anchor::Middle);
            return out_.finish();
        }
        scaleDistances();
        for (void (Plot::*part)() :
             {&Plot::upperPanel, &Plot::lowerPanel, &Plot::distanceAxis, &Plot::legend}) {
            if (interrupted()) {
                break;
            }
            (this->*part)();
        }
        return out_.finish();
    }

  private:
    double xAt(double distance) const {
        // Halves: the difference of two doubles of opposite sign may not fit in one.
        return kLeft + (distance / 2 - xMin_ / 2) / (xMax_ / 2 - xMin_ / 2) * (kRight - kLeft);
    }

    void heading() {
        std::string title;
        for (const std::string& part : {title_.station, title_.date}) {
            if (!part.empty()) {
                title += (title.empty() ? "" : "　") + part;
            }
        }
        if (section_.computed()) {
            title += (title.empty() ? "" : "　") +
                     dischargeUncertainty(uncertainty_.iso748, section_.dischargeText);
        }
        out_.text(kWidth / 2, 32, title.empty() ? "断面图" : title, 18, drawing::Anchor::Middle,
                  kInk, true);
        std::string sub = "测深垂线 " + std::to_string(section_.verticals.size()) +
                          " 条，测速垂线 " + std::to_string(section_.velocityVerticalCount()) +
                          " 条";
        if (section_.computed()) {
            sub += "　" + iveUncertainty(uncertainty_.ive);
        } else {
            sub += "　未计算：只画断面";
        }
        out_.text(kWidth / 2, 56, sub, 13, drawing::Anchor::Middle);
    }

    void scaleDistances() {
        xMin_ = section_.verticals.front().distance;
        xMax_ = xMin_;
        for (const SectionVertical& v : section_.verticals) {
            xMin_ = std::min(xMin_, v.distance);
            xMax_ = std::max(xMax_, v.distance);
        }
        if (!(xMax_ > xMin_)) {
            xMin_ -= 1.0;
            xMax_ += 1.0;
        }
        if (!(xMax_ > xMin_)) {
            // Equal distances so large that 1 m is lost in them.
            const double pad = std::abs(xMin_) / 64;
            constexpr double kLargest = std::numeric_limits<double>::max();
            xMin_ = std::max(xMin_ - pad, -kLargest);
            xMax_ = std::min(xMax_ + pad, kLargest);
        }
    }

    void upperPanel() {
        const double height = kUpperBottom - kUpperTop;
        out_.rect(kLeft, kUpperTop, kRight - kLeft, height, "#FFFFFF", "#BFBFBF");
        if (!section_.computed() || !(*section_.discharge > 0.0)) {
            out_.text((kLeft + kRight) / 2, (kUpperTop + kUpperBottom) / 2 + 5,
                      section_.computed() ? "断面流量不大于 0：不画部分流量"
                                          : "未计算：没有部分流量和垂线平均流速",
                      14, drawing::Anchor::Middle, "#7F7F7F");
            return;
        }
        const double q = *section_.discharge;
        double largest = kLargestShare;
        for (const SectionPartial& p : section_.partials) {
            largest = std::max(largest, p.discharge / q * 100.0);
        }
        const double top = roundTop(largest * 1.1, 5);
        const double step = tickStep(top, 5);
        const auto yShare = [&](double share) {
            return kUpperBottom - std::clamp(share, 0.0, top) / top * height;
        };
        for (int i = 0; i <= kMostTicks && i * step <= top * (1 + 1e-9); ++i) {
            const double y = yShare(i * step);
            if (i > 0) {
                out_.line(kLeft, y, kRight, y, kGrid, 0.8);
            }
            out_.text(kLeft - 6, y + 4, num::fixedText(i * step, decimalsFor(step)), 11,
                      drawing::Anchor::End);
        }
        const std::vector<std::pair<double, double>> path = velocityPath(height);
        for (const SectionPartial& p : section_.partials) {
            if (interrupted()) {
                return;
            }
            const double share = p.discharge / q * 100.0;
            const double x1 = xAt(std::min(p.from, p.to));
            const double x2 = xAt(std::max(p.from, p.to));
            const double y = yShare(share);
            const bool marked = markedPartials_.count(p.row) > 0;
            out_.rect(x1, y, x2 - x1, kUpperBottom - y, marked ? kMarkedBar : kBar,
                      marked ? kMarked : kBarEdge);
            if (x2 - x1 >= 26.0 && std::isfinite(share)) {
                // Over the bar, else inside it from the top down, else not at all: a label
                // never lies on the velocity line.
                const std::string label = num::fixedText(share, 1);
                const double half = textWidth(label, 9) / 2;
                const double x = (x1 + x2) / 2;
                for (double baseline = y - 3; baseline <= kUpperBottom - 1; baseline += 14) {
                    if (!crosses(path, x - half, x + half, baseline - 9, baseline + 1)) {
                        out_.text(x, baseline, label, 9, drawing::Anchor::Middle,
                                  marked ? kMarked : kInk);
                        break;
                    }
                }
            }
        }
        const double tenth = yShare(kLargestShare);
        out_.line(kLeft, tenth, kRight, tenth, kMarked, 1.2, "6,4");
        // "10%" at the right end of its line, above or below it, else at the left end.
        const double tenthWidth = textWidth("10%", 11);
        struct Place {
            double x;
            double y;
            drawing::Anchor anchor;
        };
        using drawing::Anchor;
        const Place places[] = {{kRight - 4, tenth - 4, Anchor::End},
                                {kRight - 4, tenth + 13, Anchor::End},
                                {kLeft + 4, tenth - 4, Anchor::Start},
                                {kLeft + 4, tenth + 13, Anchor::Start}};
        const Place* chosen = &places[0];
        for (const Place& place : places) {
            const double left = place.anchor == Anchor::End ? place.x - tenthWidth : place.x;
            if (!crosses(path, left, left + tenthWidth, place.y - 11, place.y + 1)) {
                chosen = &place;
                break;
            }
        }
        out_.text(chosen->x, chosen->y, "10%", 11, chosen->anchor, kMarked);
        out_.sideText(kLeft - 44, (kUpperTop + kUpperBottom) / 2, "部分流量占断面流量 (%)", 12);
        velocities(height);
    }

    double velocityTop() const {
        double fastest = 0.0;
        for (const SectionVertical& v : section_.verticals) {
            if (v.velocityVertical && v.meanVelocity) {
                fastest = std::max(fastest, *v.meanVelocity);
            }
        }
        return roundTop(fastest * 1.1, 4);
    }

    // The points of the velocity line, as velocities() draws them.
    std::vector<std::pair<double, double>> velocityPath(double height) const {
        const double top = velocityTop();
        std::vector<std::pair<double, double>> path;
        for (const SectionVertical& v : section_.verticals) {
            if (v.velocityVertical && v.meanVelocity) {
                path.emplace_back(xAt(v.distance),
                                  kUpperBottom -
                                      std::clamp(*v.meanVelocity, 0.0, top) / top * height);
            }
        }
        return path;
    }

    // Whether the line or its dots (radius 3) touch the box.
    static bool crosses(const std::vector<std::pair<double, double>>& path, double left,
                        double right, double top, double bottom) {
        constexpr double kDot = 3.5;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const auto [x, y] = path[i];
            if (x + kDot >= left && x - kDot <= right && y + kDot >= top && y - kDot <= bottom) {
                return true;
            }
            if (i + 1 == path.size()) {
                break;
            }
            const auto [x2, y2] = path[i + 1];
            const double from = std::max(left, std::min(x, x2));
            const double to = std::min(right, std::max(x, x2));
            if (from > to) {
                continue;
            }
            const auto yAt = [x1 = x, y1 = y, x2 = x2, y2 = y2](double at) {
                return x2 == x1 ? y1 : y1 + (y2 - y1) * (at - x1) / (x2 - x1);
            };
            const double a = x2 == x ? std::min(y, y2) : yAt(from);
            const double b = x2 == x ? std::max(y, y2) : yAt(to);
            if (std::max(a, b) + 1 >= top && std::min(a, b) - 1 <= bottom) {
                return true;
            }
        }
        return false;
    }

    // Width of a text of digits, signs and Latin letters in the picture's font, a little
    // generous.
    static double textWidth(std::string_view text, int size) {
        return static_cast<double>(text.size()) * size * 0.62;
    }

    void velocities(double height) {
        const double top = velocityTop();
        const double step = tickStep(top, 4);
        const auto yVelocity = [&](double value) {
            return kUpperBottom - std::clamp(value, 0.0, top) / top * height;
        };
        for (int i = 0; i <= kMostTicks && i * step <= top * (1 + 1e-9); ++i) {
            out_.text(kRight + 6, yVelocity(i * step) + 4,
                      num::fixedText(i * step, decimalsFor(step)), 11, drawing::Anchor::Start,
                      kVelocityLine);
        }
        out_.sideText(kRight + 52, (kUpperTop + kUpperBottom) / 2, "垂线平均流速 (m/s)", 12);
        std::vector<drawing::Point> points;
        std::vector<std::pair<double, double>> dots;
        for (const SectionVertical& v : section_.verticals) {
            if (v.velocityVertical && v.meanVelocity) {
                const double x = xAt(v.distance);
                const double y = yVelocity(*v.meanVelocity);
                points.push_back(Builder::point(x, y));
                dots.emplace_back(x, y);
            }
        }
        if (!points.empty()) {
            out_.polyline(std::move(points), kVelocityLine, 1.8);
        }
        for (const auto& [x, y] : dots) {
            out_.circle(x, y, 3.0, kVelocityLine);
        }
    }

    void lowerPanel() {
        double deepest = 0.0;
        for (const SectionVertical& v : section_.verticals) {
            deepest = std::max(deepest, v.depth);
        }
        const double bottom = roundTop(deepest * 1.08, 5);
        const double step = tickStep(bottom, 5);
        const double height = kLowerBottom - kLowerTop;
        const auto yDepth = [&](double depth) {
            return kLowerTop + std::clamp(depth, 0.0, bottom) / bottom * height;
        };
        for (int i = 0; i <= kMostTicks && i * step <= bottom * (1 + 1e-9); ++i) {
            const double y = yDepth(i * step);
            out_.line(kLeft - 4, y, kLeft, y, kInk, 1.0);
            out_.text(kLeft - 6, y + 4, num::fixedText(i * step, decimalsFor(step)), 11,
                      drawing::Anchor::End);
        }
        out_.sideText(kLeft - 44, (kLowerTop + kLowerBottom) / 2, "水深 (m)", 12);

        // Water from the surface to the bed, the bed below it.
        const double left = xAt(section_.verticals.front().distance);
        const double right = xAt(section_.verticals.back().distance);
        std::vector<drawing::Point> water{Builder::point(left, kLowerTop)};
        std::vector<drawing::Point> ground{Builder::point(left, kLowerBottom)};
        for (const SectionVertical& v : section_.verticals) {
            const drawing::Point at = Builder::point(xAt(v.distance), yDepth(v.depth));
            water.push_back(at);
            ground.push_back(at);
        }
        water.push_back(Builder::point(right, kLowerTop));
        ground.push_back(Builder::point(right, kLowerBottom));
        out_.polygon(std::move(water), kWater, {});
        out_.polygon(std::move(ground), kBed, kBedLine);
        out_.line(kLeft, kLowerTop, kRight, kLowerTop, kSurface, 1.8);
        out_.text(kLeft + 8, kLowerTop - 4, "▽ 水面", 11, drawing::Anchor::Start, kSurface);

        int velocityCount = 0;
        const int every =
            std::max(1, (section_.velocityVerticalCount() + kMostLabels - 1) / kMostLabels);
        for (const SectionVertical& v : section_.verticals) {
            if (interrupted()) {
                return;
            }
            const double x = xAt(v.distance);
            const bool marked = markedRows_.count(v.row) > 0;
            if (v.velocityVertical) {
                out_.line(x, kLowerTop, x, yDepth(v.depth), marked ? kMarked : kVelocityVertical,
                          marked ? 2.0 : 1.2);
                if (velocityCount % every == 0) {
                    out_.text(x, kLowerTop - 18, v.number, 10, drawing::Anchor::Middle,
                              marked ? kMarked : kVelocityVertical);
                }
                ++velocityCount;
                // The points of a multi-point vertical, where each was measured.
                for (std::size_t i = 0; v.points.size() > 1 && i < v.points.size(); ++i) {
                    out_.circle(x, yDepth(v.depth * v.points[i].relative), 2.5, kVelocityVertical);
                }
            } else if (!v.waterEdge) {
                out_.line(x, kLowerTop, x, yDepth(v.depth), marked ? kMarked : kSoundingVertical,
                          marked ? 2.0 : 1.0, "3,3");
            }
            if (marked) {
                out_.circle(x, yDepth(v.depth), 4.0, kMarked);
            }
        }
        out_.rect(kLeft, kLowerTop, kRight - kLeft, height, "none", "#BFBFBF");
    }

    void distanceAxis() {
        const double span = xMax_ - xMin_;
        const double step =
            std::isfinite(span) ? tickStep(span, 8) : 2 * tickStep(xMax_ / 2 - xMin_ / 2, 8);
        const int decimals = decimalsFor(step);
        const double first = std::ceil(xMin_ / step - 1e-9) * step;
        double previous = std::numeric_limits<double>::quiet_NaN();
        for (int i = 0; i <= kMostTicks && first + i * step <= xMax_ + 1e-9 * step; ++i) {
            const double value = first + i * step;
            if (value == previous || !std::isfinite(value)) {
                // The step is lost in the size of the numbers, or runs past the largest double.
                break;
            }
            previous = value;
            const double x = xAt(value);
            out_.line(x, kLowerBottom, x, kLowerBottom + 4, kInk, 1.0);
            out_.text(x, kLowerBottom + 17, num::fixedText(value, decimals), 11,
                      drawing::Anchor::Middle);
        }
        out_.text((kLeft + kRight) / 2, kLowerBottom + 36, "起点距 (m)", 12,
                  drawing::Anchor::Middle);
    }

    void legend() {
        const double y = kHeight - 18;
        double x = kLeft;
        const auto entry = [&](std::string_view label, auto&& swatch, double width) {
            swatch(x, y);
            out_.text(x + 22, y + 4, label, 11);
            x += width;
        };
        entry(
            "测速垂线",
            [&](double at, double row) {
                out_.line(at + 8, row - 7, at + 8, row + 7, kVelocityVertical, 1.5);
            },
            92);
        entry(
            "测深垂线",
            [&](double at, double row) {
                out_.line(at + 8, row - 7, at + 8, row + 7, kSoundingVertical, 1.2, "3,3");
            },
            92);
        entry(
            "垂线平均流速",
            [&](double at, double row) { out_.line(at, row, at + 16, row, kVelocityLine, 1.8); },
            116);
        entry(
            "部分流量",
            [&](double at, double row) { out_.rect(at, row - 6, 16, 12, kBar, kBarEdge); }, 92);
        entry(
            "超过 10% 的部分流量、检查有问题的垂线",
            [&](double at, double row) { out_.rect(at, row - 6, 16, 12, kMarkedBar, kMarked); },
            260);
    }

    // Whether the caller asked to stop (Ctrl-C at the terminal): a long drawing ends early.
    bool interrupted() const { return stopAsked_ && stopAsked_(); }

    const MeasuredSection& section_;
    const SectionPlotTitle& title_;
    const SectionUncertainty& uncertainty_;
    const StopAsked& stopAsked_;
    std::set<int> markedRows_;
    std::set<int> markedPartials_;
    double xMin_ = 0.0;
    double xMax_ = 1.0;
    Builder out_;
};

} // namespace

std::optional<std::string> sectionPlotProblem(const MeasuredSection& section) {
    if (!section.unbounded) {
        return std::nullopt;
    }
    return "第 " + std::to_string(section.unbounded->row + 1) + " 行“" +
           std::string(columnHeading(section.unbounded->column)) +
           "”的数值超出可以计算和画出的范围，" + "断面图未画出";
}

namespace {

std::string headerText(const RecordHeader& header, int line, int pos) {
    const std::string field = headerField(header, line, pos);
    return hasValue(field) ? field : std::string();
}

} // namespace

drawing::Drawing sectionPlotDrawing(const MeasuredSection& section, const SectionPlotTitle& title,
                                    std::span<const Finding> findings,
                                    const SectionUncertainty& uncertainty,
                                    const StopAsked& stopAsked) {
    return Plot(section, title, findings, uncertainty, stopAsked).draw();
}

std::string sectionPlotSvg(const MeasuredSection& section, const SectionPlotTitle& title,
                           std::span<const Finding> findings, const SectionUncertainty& uncertainty,
                           const StopAsked& stopAsked) {
    return drawing::svgOf(sectionPlotDrawing(section, title, findings, uncertainty, stopAsked));
}

SectionPlotTitle sectionPlotTitle(const RecordHeader& header) {
    return {headerText(header, 1, 1), headerText(header, 1, 2)};
}

drawing::Drawing sectionPlotDrawing(const Gauging& gauging, const Computation& computation,
                                    std::span<const Finding> findings, const StopAsked& stopAsked) {
    return sectionPlotDrawing(computation.section,
                              sectionPlotTitle(parseRecordHeader(gauging.headerPart)), findings,
                              computation.uncertainty, stopAsked);
}

std::string sectionPlotSvg(const Gauging& gauging, const Computation& computation,
                           std::span<const Finding> findings, const StopAsked& stopAsked) {
    return drawing::svgOf(sectionPlotDrawing(gauging, computation, findings, stopAsked));
}

} // namespace tarnelo
