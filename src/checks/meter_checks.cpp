// The checks of the meter and of the velocity verticals: what a lone point stands for, the
// surface coefficient, the meter rating and the signal counts, the starting velocity, reverse
// flow and the spacing of the velocity verticals.
#include "checks/check_support.hpp"

#include "gauging/points.hpp"
#include "measure/distances.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace tarnelo::check_support {

namespace {

using Severity = Finding::Severity;

// The thresholds of these checks, each with its source.
// A lone point elsewhere than 0.6 or the surface in a gauging of one point a vertical: the
// computation takes the point's velocity for the vertical's mean, a coefficient of 1.
constexpr Threshold kLonePointFactor{1.0, "经验值"};
// The surface coefficient of verticals computed by the surface one-point method: 0.80 to 0.95
// is the range commonly quoted after ISO 748 and GB 50179; neither text was at hand to check.
constexpr Threshold kLowestSurface{0.80, "按常见引用，未核对原文"};
constexpr Threshold kHighestSurface{0.95, "按常见引用，未核对原文"};
// Any surface coefficient, surface points or not.
constexpr Threshold kLowestAnySurface{0.5, "经验值"};
constexpr Threshold kHighestAnySurface{1.0, "经验值"};
// The meter rating V = K·总转数/T + C. K, the water's run per revolution (the hydraulic pitch),
// is about 0.1 to 1.0 m for propeller meters and about 0.67 m for cup meters; C, in m/s, is a few
// thousandths; a signal comes every 1 to 100 revolutions. No code gives limits: a value outside
// these is mostly a slipped point or digit (0,6793 read as 6793).
constexpr Threshold kLowestPitch{0.05, "经验值"};
constexpr Threshold kHighestPitch{1.5, "经验值"};
constexpr Threshold kLargestConstant{0.1, "经验值"};
constexpr Threshold kMostRevolutions{100.0, "经验值"};
// Fewer than 3 signals in a point's time: one signal more or less moves the velocity by a third
// or more.
constexpr Threshold kFewestSignals{3.0, "经验值"};
// The starting velocity when none is set: the meter rating's C, what the rating gives at N = 0.
constexpr std::string_view kStartingFromC = "经验值";
// The spacing of neighbouring velocity verticals as a share of the water-surface width, by the
// station's class: GB 50179-2015 B.12.9 item 2 (7 %–10 %, 8 %–11 %, 9 %–12 %). A spacing above
// the class's upper share is noticed.
struct SpacingShare {
    std::string_view className;
    double lowest;
    Threshold largest;
};
constexpr std::array<SpacingShare, 3> kSpacingShares{{
    {"一类站", 0.07, {0.10, "GB 50179-2015 B.12.9"}},
    {"二类站", 0.08, {0.11, "GB 50179-2015 B.12.9"}},
    {"三类站", 0.09, {0.12, "GB 50179-2015 B.12.9"}},
}};

std::string percent(double share) {
    return num::fixedText(share * 100.0, 0) + "%";
}

class MeterChecker {
  public:
    MeterChecker(const Gauging& gauging, const Table& table, const CheckOptions& options,
                 std::vector<Finding>& findings)
        : gauging_(gauging), sheet_(table), options_(options), findings_(findings),
          mode_(gauging.mode), verticals_(pointedVerticals(table, gauging.mode)) {
        const bool onePoint = !hasPointRows(table, mode_);
        for (const PointedVertical& vertical : verticals_) {
            sets_.push_back(pointSetOf(relativesOf(table, vertical.points), onePoint));
        }
    }

    void run() {
        surfaceCoefficient();
        if (mode_ != EntryMode::Velocity) {
            meterRating();
        }
        lonePoints();
        if (mode_ != EntryMode::Velocity) {
            signalCounts();
        }
        pointVelocities();
        verticalSpacing();
    }

  private:
    const std::string& cell(int row, int column) const { return sheet_.cell(row, column); }
    // The number of a text that is wholly a finite number; nothing for any other.
    static std::optional<double> numberIn(const std::string& text) {
        if (text.empty() || !num::isWholeNumber(text)) {
            return std::nullopt;
        }
        const double value = num::numberOf(text);
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    }
    std::optional<double> number(int row, int column) const { return numberIn(cell(row, column)); }
    std::optional<double> coefficient(std::size_t index) const {
        return numberIn(gauging_.coefficient(index));
    }

    void add(Severity severity, int row, int column, std::string reason) {
        findings_.push_back({severity, row, column, -1, std::move(reason), {}});
    }
    void addField(Severity severity, std::size_t index, std::string reason) {
        findings_.push_back({severity, -1, -1, static_cast<int>(index), std::move(reason), {}});
    }

    // Outside 0.80–0.95 when some vertical is computed by the surface one-point method, where
    // the coefficient makes its mean; outside 0.5–1.0 otherwise.
    void surfaceCoefficient() {
        const std::optional<double> value = coefficient(coef::水面系数);
        if (!value) {
            return;
        }
        const auto surface = std::count_if(sets_.begin(), sets_.end(), [](const PointSet& set) {
            return set.method == PointMethod::Surface;
        });
        if (surface > 0) {
            if (*value < kLowestSurface.value || *value > kHighestSurface.value) {
                addField(Severity::Notice, coef::水面系数,
                         "有 " + std::to_string(surface) +
                             " 条垂线按水面一点法计算，水面系数一般在 0.80 到 0.95 之间（" +
                             std::string(kLowestSurface.source) + "）");
            }
        } else if (*value < kLowestAnySurface.value || *value > kHighestAnySurface.value) {
            addField(Severity::Notice, coef::水面系数,
                     "水面系数一般在 0.5 到 1.0 之间（" + std::string(kLowestAnySurface.source) +
                         "）");
        }
    }

    // 信号转数 and K of the rating V = K·总转数/T + C, 总转数 = 信号转数 × N: not negative, not 0
    // (every velocity would be C), and within the bounds of the meters in use, as C is.
    void meterRating() {
        const std::optional<double> r = coefficient(coef::信号转数);
        if (r && *r < 0.0) {
            addField(Severity::Error, coef::信号转数,
                     "信号转数不能为负数（总转数 = 信号转数 × N）");
        } else if (r && *r == 0.0) {
            addField(Severity::Error, coef::信号转数,
                     "信号转数为 0：总转数都为 0，测点流速按公式只得常数 C");
        } else if (r && (*r < 1.0 || *r > kMostRevolutions.value || *r != std::floor(*r))) {
            addField(Severity::Notice, coef::信号转数,
                     "信号转数一般是 1 到 " + num::plainText(kMostRevolutions.value) +
                         " 之间的整数（" + std::string(kMostRevolutions.source) + "），请核对");
        }
        const std::optional<double> k = coefficient(coef::公式系数K);
        if (k && *k < 0.0) {
            addField(Severity::Error, coef::公式系数K,
                     "流速仪公式系数 K 不能为负数（测点流速 = K × 总转数 / T + C）");
        } else if (k && *k == 0.0) {
            addField(Severity::Error, coef::公式系数K,
                     "流速仪公式系数 K 为 0：测点流速按公式只得常数 C");
        } else if (k && (*k < kLowestPitch.value || *k > kHighestPitch.value)) {
            addField(Severity::Notice, coef::公式系数K,
                     "流速仪公式系数 K（每转的水流行程）一般在 " +
                         num::plainText(kLowestPitch.value) + " 到 " +
                         num::plainText(kHighestPitch.value) + " 米之间（" +
                         std::string(kLowestPitch.source) + "），请核对小数点");
        }
        const std::optional<double> c = coefficient(coef::公式常数C);
        if (c && std::abs(*c) > kLargestConstant.value) {
            addField(Severity::Notice, coef::公式常数C,
                     "流速仪公式常数 C 一般在 -" + num::plainText(kLargestConstant.value) + " 到 " +
                         num::plainText(kLargestConstant.value) + " 米/秒之间（" +
                         std::string(kLargestConstant.source) + "），请核对小数点");
        }
    }

    // A vertical of one point that the computation takes for its mean as it stands: a point
    // elsewhere than 0.6, or a surface point typed otherwise than "0.0".
    void lonePoints() {
        for (std::size_t k = 0; k < verticals_.size(); ++k) {
            const int row = verticals_[k].row;
            const std::optional<double> at = number(row, col::相对);
            if (verticals_[k].points.size() != 1 || sets_[k].method != PointMethod::OnePoint ||
                !at || *at < 0.0 || *at > 1.0) {
                continue;
            }
            const std::string& text = cell(row, col::相对);
            if (*at == 0.0) {
                add(Severity::Notice, row, col::相对,
                    "相对位置" + quoted(text) +
                        "是否指水面点“0.0”？按所填不作水面点：不乘水面系数，垂线平均流速按该点"
                        "流速计算。水面点请填“0.0”");
            } else if (std::abs(*at - 0.6) > 1e-9) {
                add(Severity::Notice, row, col::相对,
                    "垂线只测 " + text + " 一点，垂线平均流速按等于该点流速计算（系数 " +
                        num::plainText(kLonePointFactor.value) + "，" +
                        std::string(kLonePointFactor.source) +
                        "）；一点法测点应在 0.6，若用本站的一点法系数请另行改正");
            }
        }
    }

    // N of 0 with a time: the rating gives C alone, no measurement; fewer than 3 signals.
    void signalCounts() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (!hasMeasurement(sheet_, r, mode_)) {
                continue;
            }
            const std::optional<double> n = number(r, col::N);
            const std::optional<double> t = number(r, col::T);
            if (!n || !t) {
                continue;
            }
            if (*n == 0.0 && *t > 0.0) {
                const std::string& c = gauging_.coefficient(coef::公式常数C);
                add(Severity::Error, r, col::N,
                    "信号数 N 为 0：测点流速按公式只得常数 C" + (c.empty() ? "" : " = " + c) +
                        "，并非实测流速，请核对 N");
            } else if (*n > 0.0 && *n < kFewestSignals.value) {
                add(Severity::Notice, r, col::N,
                    "信号数 N 只有 " + cell(r, col::N) + "，少于 3 个（" +
                        std::string(kFewestSignals.source) +
                        "）：信号太少，测点流速误差大，宜延长测速历时");
            }
        }
    }

    // Point velocities below the meter's starting velocity, typed or computed; typed negative
    // velocities, reverse flow.
    void pointVelocities() {
        std::optional<double> starting = options_.startingVelocity;
        if (!starting) {
            starting = coefficient(coef::公式常数C);
        }
        const bool checkStart = starting && std::isfinite(*starting) && *starting > 0.0;
        const std::string startSource =
            options_.startingVelocity ? std::string("设定值")
                                      : "起转速取流速仪公式常数 C，" + std::string(kStartingFromC);
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            const std::optional<double> shown = number(r, col::测点流速);
            if (!hasMeasurement(sheet_, r, mode_) || !shown) {
                continue;
            }
            const std::string& text = cell(r, col::测点流速);
            if (mode_ == EntryMode::Velocity && *shown < 0.0) {
                add(Severity::Notice, r, col::测点流速,
                    "测点流速 " + text +
                        " 为负数，即逆流：按负值计入垂线平均流速和部分流量，请核对流向");
                continue;
            }
            const std::optional<double> v =
                mode_ == EntryMode::Velocity ? shown : ratedVelocity(gauging_, sheet_, r);
            if (checkStart && v && *v < *starting - 1e-12) {
                add(Severity::Notice, r, col::测点流速,
                    "测点流速 " + text + " 低于流速仪起转速 " + num::plainText(*starting) +
                        " 米/秒（" + startSource + "）：流速仪在起转速以下不能正常测速，请核对");
            }
        }
    }

    // Neighbouring velocity verticals farther apart than the class's share of the width: one
    // notice, on the 起点距 of the vertical closing the widest spacing; the others are tinted
    // with it.
    void verticalSpacing() {
        const int index = options_.stationClass >= 1 && options_.stationClass <= 3
                              ? options_.stationClass - 1
                              : 1;
        const SpacingShare& share = kSpacingShares[static_cast<std::size_t>(index)];
        std::optional<double> lowest;
        std::optional<double> highest;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (const std::optional<double> x = number(r, col::起点距)) {
                lowest = std::min(lowest.value_or(*x), *x);
                highest = std::max(highest.value_or(*x), *x);
            }
        }
        if (!lowest) {
            return;
        }
        const double width = *highest - *lowest;
        if (!(width > 0.0) || !std::isfinite(width)) {
            return;
        }
        std::vector<std::pair<int, double>> placed;
        for (const PointedVertical& vertical : verticals_) {
            if (const std::optional<double> x = number(vertical.row, col::起点距)) {
                placed.emplace_back(vertical.row, *x);
            }
        }
        std::vector<int> over;
        std::size_t widest = 0;
        double most = 0.0;
        for (std::size_t i = 1; i < placed.size(); ++i) {
            const double spacing = std::abs(placed[i].second - placed[i - 1].second);
            if (spacing > share.largest.value * width + 1e-9) {
                over.push_back(placed[i].first);
                if (spacing > most) {
                    most = spacing;
                    widest = i;
                }
            }
        }
        if (over.empty()) {
            return;
        }
        const int row = placed[widest].first;
        // The width with the digits the results give it: centimetres typed stay centimetres.
        const std::string widthText =
            num::fixedText(width, std::max(2, fineDistanceDecimals(sheet_)));
        add(Severity::Notice, row, col::起点距,
            "有 " + std::to_string(over.size()) + " 处相邻测速垂线的间距超过水面宽的 " +
                percent(share.largest.value) + "（最大为" + rowName(placed[widest - 1].first) +
                "与" + rowName(row) + "之间 " + num::fixedText(most, 2) + " 米，占水面宽 " +
                widthText + " 米的 " + percent(most / width) + "）；" +
                std::string(share.largest.source) + "：" + std::string(share.className) +
                "相邻测速垂线的间距应为水面宽的 " + num::fixedText(share.lowest * 100.0, 0) +
                "%～" + percent(share.largest.value) + "，可考虑增加测速垂线");
        std::erase(over, row);
        findings_.back().alsoRows = std::move(over);
    }

    const Gauging& gauging_;
    const Table& sheet_;
    const CheckOptions& options_;
    std::vector<Finding>& findings_;
    EntryMode mode_;
    std::vector<PointedVertical> verticals_;
    std::vector<PointSet> sets_;
};

} // namespace

std::optional<double> ratedVelocity(const Gauging& gauging, const Table& table, int row) {
    const auto numberIn = [](const std::string& text) -> std::optional<double> {
        if (text.empty() || !num::isWholeNumber(text)) {
            return std::nullopt;
        }
        const double value = num::numberOf(text);
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    };
    const std::optional<double> n = numberIn(table.cell(row, col::N));
    const std::optional<double> t = numberIn(table.cell(row, col::T));
    const std::optional<double> r = numberIn(gauging.coefficient(coef::信号转数));
    const std::optional<double> k = numberIn(gauging.coefficient(coef::公式系数K));
    const std::optional<double> c = numberIn(gauging.coefficient(coef::公式常数C));
    if (!n || !t || !r || !k || !c || !(*n > 0.0) || !(*t > 0.0) || *r < 0.0 || *k < 0.0) {
        return std::nullopt;
    }
    const double v = *k * (*r * *n) / *t + *c;
    return std::isfinite(v) ? std::optional(v) : std::nullopt;
}

void checkMeter(const Gauging& gauging, const Table& table, const CheckOptions& options,
                std::vector<Finding>& findings) {
    MeterChecker(gauging, table, options, findings).run();
}

} // namespace tarnelo::check_support
