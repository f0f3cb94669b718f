#include "checks/checks.hpp"

#include "checks/check_support.hpp"
#include "gauging/points.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tarnelo {

namespace check_support {

std::string quoted(std::string_view text) {
    constexpr std::size_t kShownLength = 16;
    std::string shown;
    if (text.size() <= kShownLength) {
        shown = text;
    } else {
        std::size_t cut = kShownLength;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        shown = std::string(text.substr(0, cut)) + "…";
    }
    return "“" + shown + "”";
}

std::string rowName(int row) {
    return "第 " + std::to_string(row + 1) + " 行";
}

} // namespace check_support

namespace {

using Severity = Finding::Severity;
using check_support::notANumber;
using check_support::quoted;
using check_support::rowName;
using check_support::Threshold;

// The thresholds of the checks, each with its source (those of the meter and the velocity
// verticals stand at the top of meter_checks.cpp, those of slipped digits in typo_checks.cpp).
// A point measuring time under 100 s. The u_e table of ISO 748 shows how the uncertainty grows
// as the time shortens, but no code found gives 100 s as a limit.
constexpr Threshold kShortestTime{100.0, "经验值"};
// A partial discharge above 10 % of the section: ISO 748:2007 places the verticals so that no
// segment carries more than a tenth of the discharge (USGS practice, Turnipseed and Sauer 2010,
// the same). GB 50179-2015 regulates the number of verticals and their spacing instead
// (appendix B.12), not the share of a partial.
constexpr Threshold kLargestShare{0.10, "ISO 748"};
// A point velocity over 10 m/s: no river gauged by current meter flows that fast; a typo.
constexpr Threshold kFastestVelocity{10.0, "经验值"};
// Bank coefficients from about 0.5 (dead water at a shallow bank) to 1.0.
constexpr Threshold kLowestBank{0.5, "经验值"};
constexpr Threshold kHighestBank{1.0, "经验值"};
// A spacing more than 10 times the median spacing of the section: a slipped digit in 起点距.
constexpr Threshold kSpacingJump{10.0, "经验值"};
// Neighbouring points of a vertical closer than 0.10 m: GB 50179-2015 B.3.1 keeps them at least
// a rotor or cup diameter apart; the diameter is not recorded, 0.10 m stands for the common
// meters' rotors.
constexpr Threshold kClosestPoints{0.10, "经验值"};
// Fewest spacings for a median worth comparing against.
constexpr std::size_t kFewestSpacings = 3;

class Checker {
  public:
    Checker(const Gauging& gauging, const Table& table, std::string_view discharge,
            const CheckOptions& options)
        : gauging_(gauging), sheet_(table), discharge_(discharge), options_(options),
          velocityMode_(gauging.mode == EntryMode::Velocity) {}

    std::vector<Finding> run() {
        coefficients();
        numberCells();
        distances();
        points();
        pairs();
        waterEdges();
        times();
        velocities();
        spacingJumps();
        partialShares();
        check_support::checkMeter(gauging_, sheet_, options_, findings_);
        check_support::checkTypos(gauging_, sheet_, findings_);
        std::stable_sort(
            findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
                if (a.row != b.row) {
                    return a.row < b.row;
                }
                return a.column != b.column ? a.column < b.column : a.coefficient < b.coefficient;
            });
        return std::move(findings_);
    }

  private:
    const std::string& cell(int row, int column) const { return sheet_.cell(row, column); }
    bool filled(int row, int column) const { return !cell(row, column).empty(); }
    // The number of a cell that holds a whole number; nothing for other cells.
    std::optional<double> number(int row, int column) const {
        const std::string& text = cell(row, column);
        if (text.empty() || !num::isWholeNumber(text)) {
            return std::nullopt;
        }
        const double value = num::numberOf(text);
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    }

    void add(Severity severity, int row, int column, std::string reason) {
        findings_.push_back({severity, row, column, -1, std::move(reason), {}});
    }
    bool flagged(int row, int column) const {
        return std::any_of(findings_.begin(), findings_.end(), [&](const Finding& finding) {
            return finding.row == row && finding.column == column;
        });
    }
    void addField(Severity severity, std::size_t coefficient, std::string reason) {
        findings_.push_back(
            {severity, -1, -1, static_cast<int>(coefficient), std::move(reason), {}});
    }

    std::span<const int> typedNumberColumns() const {
        return typedColumns(velocityMode_ ? EntryMode::Velocity : EntryMode::Vertical);
    }

    void coefficients() {
        const std::size_t used = velocityMode_ ? kVelocityModeCoefficients : kCoefficientCount;
        for (std::size_t i = 0; i < used; ++i) {
            const std::string& text = gauging_.coefficient(i);
            if (text.empty()) {
                continue;
            }
            if (!num::isWholeNumber(text)) {
                addField(Severity::Error, i, notANumber(text));
                continue;
            }
            const double value = num::numberOf(text);
            if ((i == coef::左岸岸边系数 || i == coef::右岸岸边系数) &&
                (value < kLowestBank.value || value > kHighestBank.value)) {
                addField(Severity::Notice, i,
                         "岸边系数一般在 0.5 到 1.0 之间（" + std::string(kLowestBank.source) +
                             "）");
            }
        }
    }

    // Every typed number cell is wholly a number; depths, N and T are not negative and
    // relative positions lie between 0 and 1.
    void numberCells() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            for (int c : typedNumberColumns()) {
                const std::string& text = cell(r, c);
                if (text.empty()) {
                    continue;
                }
                if (!num::isWholeNumber(text)) {
                    add(Severity::Error, r, c, notANumber(text));
                    continue;
                }
                const double value = num::numberOf(text);
                if (!std::isfinite(value)) {
                    continue;
                }
                if (c == col::相对 && (value < 0.0 || value > 1.0)) {
                    add(Severity::Error, r, c, "相对位置应在 0 到 1 之间（测点深不能超过水深）");
                } else if ((c == col::水深 || c == col::N || c == col::T) && value < 0.0) {
                    add(Severity::Error, r, c, std::string(columnHeading(c)) + "不能为负数");
                }
            }
        }
    }

    // Distances increase from row to row, and no empty distance stands above a filled one.
    void distances() {
        std::vector<std::pair<int, double>> typed;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (const std::optional<double> value = number(r, col::起点距)) {
                typed.emplace_back(r, *value);
            }
        }
        // A distance out of order is laid on the row that breaks the order: the one too large
        // (51 typed for 17) when its neighbours are in order without it, else the one too small.
        for (std::size_t i = 1; i < typed.size(); ++i) {
            const auto [row, value] = typed[i];
            const auto [previous, before] = typed[i - 1];
            if (value == before) {
                add(Severity::Error, row, col::起点距,
                    "起点距与" + rowName(previous) + "相同：起点距应逐行增加");
                continue;
            }
            if (value > before) {
                continue;
            }
            // The earlier row is larger than both its neighbours, which are in order.
            const bool followedInOrder =
                i + 1 < typed.size() && value < typed[i + 1].second && before > typed[i + 1].second;
            const bool previousTooLarge =
                i >= 2 ? typed[i - 2].second < value && (i + 1 == typed.size() || followedInOrder)
                       : followedInOrder;
            if (previousTooLarge && !flagged(previous, col::起点距)) {
                add(Severity::Error, previous, col::起点距,
                    "起点距比" + rowName(row) + "的 " + cell(row, col::起点距) +
                        " 大，而前后两行依次增加：本行的起点距可能输错");
            } else if (!previousTooLarge) {
                add(Severity::Error, row, col::起点距,
                    "起点距比" + rowName(previous) + "的 " + cell(previous, col::起点距) +
                        " 小：起点距应从起点一岸逐行增加");
            }
        }
        int last = -1;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::起点距)) {
                last = r;
            }
        }
        for (int r = 0; r < last; ++r) {
            if (filled(r, col::起点距) || isPointRow(sheet_, r, gauging_.mode)) {
                continue;
            }
            int next = r;
            while (!filled(next, col::起点距)) {
                ++next;
            }
            const std::string span =
                next - r == 1 ? "起点距为空" : "起点距为空（至第 " + std::to_string(next) + " 行）";
            add(Severity::Error, r, col::起点距,
                span + "，而" + rowName(next) +
                    "还有起点距：记载表按表格前几行排列垂线，会错位。请删去空行");
            r = next;
        }
    }

    // Point rows lie under a velocity vertical, and each vertical's points make a method of the
    // code (GB 50179-2015, the vertical mean velocity by point methods), in a gauging of one
    // point a vertical as well.
    void points() {
        const EntryMode mode = gauging_.mode;
        const bool onePoint = !hasPointRows(sheet_, mode);
        for (int r = 0; r < sheet_.rowCount() && !onePoint; ++r) {
            if (!isPointRow(sheet_, r, mode)) {
                continue;
            }
            const int owner = verticalRowOf(sheet_, r, mode);
            if (owner < 0) {
                add(Severity::Error, r, col::相对,
                    "测点行（起点距、水深为空）上面没有垂线：测点行应紧接在它所属的测速垂线之下");
            } else if (!hasMeasurement(sheet_, owner, mode)) {
                add(Severity::Error, r, col::相对,
                    "测点行（起点距、水深为空）不能接在测深垂线之下：" + rowName(owner) +
                        "没有测速。请在" + rowName(owner) + "填写测点，或补上本行的起点距和水深");
            }
        }
        for (const PointedVertical& vertical : pointedVerticals(sheet_, mode)) {
            const PointSet set = pointSetOf(relativesOf(sheet_, vertical.points), onePoint);
            const int head = vertical.row;
            if (!set.repeated.empty()) {
                for (std::size_t i = 1; i < vertical.points.size(); ++i) {
                    const int r = vertical.points[i];
                    if (num::numberOf(cell(r, col::相对)) == num::numberOf(set.repeated)) {
                        add(Severity::Error, r, col::相对,
                            "同一条垂线上相对位置 " + cell(r, col::相对) + " 重复");
                        break;
                    }
                }
                continue;
            }
            switch (set.method) {
            case PointMethod::Unknown:
                // A lone position outside 0 to 1 is already an error on this cell.
                if (flagged(head, col::相对)) {
                    break;
                }
                add(Severity::Error, head, col::相对,
                    "这条垂线的测点位置 " + set.positions +
                        " 不成规范的测点组合（GB 50179-2015：一点法 0.6；二点法 0.2、0.8；三点法 "
                        "0.2、0.6、0.8；五点法 0.0、0.2、0.6、0.8、1.0），无法计算垂线平均流速");
                break;
            case PointMethod::Assumed: {
                const double at = num::numberOf(cell(head, col::相对));
                for (const LonePointFactor& factor : kLonePointFactors) {
                    if (std::abs(factor.relative - at) < 1e-9) {
                        add(Severity::Notice, head, col::相对,
                            "一点法测点在 " + cell(head, col::相对) +
                                " 水深处：垂线平均流速按 V_m = K·V 推算，K（" +
                                std::string(factor.name) + "）假定为 " +
                                num::plainText(factor.value) + "（" + std::string(factor.source) +
                                "），应以本站多点法资料率定");
                    }
                }
                break;
            }
            default:
                break;
            }
            closePoints(vertical);
            if (set.outOfOrder) {
                add(Severity::Notice, head, col::相对,
                    "测点位置 " + set.positions +
                        " 未按从水面到河底的次序填写；垂线平均流速仍按各点的位置计算");
            }
        }
    }

    // Neighbouring points of a vertical closer than a current meter's rotor: the depth is too
    // shallow for the method.
    void closePoints(const PointedVertical& vertical) {
        const std::optional<double> depth = number(vertical.row, col::水深);
        if (vertical.points.size() < 2 || !depth || !(*depth > 0.0)) {
            return;
        }
        std::vector<double> at;
        for (const int r : vertical.points) {
            at.push_back(num::numberOf(cell(r, col::相对)));
        }
        std::sort(at.begin(), at.end());
        double closest = *depth;
        for (std::size_t i = 1; i < at.size(); ++i) {
            closest = std::min(closest, (at[i] - at[i - 1]) * *depth);
        }
        if (closest < kClosestPoints.value) {
            add(Severity::Notice, vertical.row, col::水深,
                "水深 " + cell(vertical.row, col::水深) + " 米的垂线上相邻测点仅相距 " +
                    num::fixedText(closest, 2) +
                    " 米：相邻测点的间距不应小于流速仪旋桨或旋杯的直径（GB 50179-2015 B.3.1；"
                    "按 " +
                    num::fixedText(kClosestPoints.value, 2) + " 米计，" +
                    std::string(kClosestPoints.source) + "），宜改用测点较少的方法");
        }
    }

    // N goes with T, a distance with a depth.
    void pairs() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (!velocityMode_ && filled(r, col::N) != filled(r, col::T)) {
                if (filled(r, col::N)) {
                    add(Severity::Notice, r, col::T, "有信号数 N 而没有历时 T：此行不算测速垂线");
                } else {
                    add(Severity::Notice, r, col::N, "有历时 T 而没有信号数 N：此行不算测速垂线");
                }
            }
            if (filled(r, col::起点距) != filled(r, col::水深)) {
                if (filled(r, col::起点距)) {
                    add(Severity::Notice, r, col::水深, "有起点距而没有水深");
                } else {
                    add(Severity::Notice, r, col::起点距, "有水深而没有起点距");
                }
            }
        }
    }

    // The section runs from a water edge to a water edge (depth exactly "0").
    void waterEdges() {
        int first = -1;
        int last = -1;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (filled(r, col::起点距) || filled(r, col::水深)) {
                first = first < 0 ? r : first;
                last = r;
            }
        }
        if (first < 0 || first == last) {
            return;
        }
        if (filled(first, col::水深) && cell(first, col::水深) != "0") {
            add(Severity::Notice, first, col::水深, "断面的第一行不是水边（水边的水深写作“0”）");
        }
        if (filled(last, col::水深) && cell(last, col::水深) != "0") {
            add(Severity::Notice, last, col::水深, "断面的最后一行不是水边（水边的水深写作“0”）");
        }
        for (int r = first + 1; r < last; ++r) {
            if (cell(r, col::水深) == "0") {
                add(Severity::Notice, r, col::水深, "断面中间有水边（水深为“0”），请核对");
            }
        }
    }

    void times() {
        if (velocityMode_) {
            return;
        }
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (!filled(r, col::N)) {
                continue;
            }
            const std::optional<double> t = number(r, col::T);
            if (t && *t > 0.0 && *t < kShortestTime.value) {
                add(Severity::Notice, r, col::T,
                    "测速历时不足 100 秒（" + std::string(kShortestTime.source) + "）");
            }
        }
    }

    // A point velocity over 10 m/s, typed (测速模式) or computed from N and T: an error.
    void velocities() {
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            const std::optional<double> v = number(r, col::测点流速);
            if (v && *v > kFastestVelocity.value) {
                add(Severity::Error, r, col::测点流速,
                    "测点流速超过 10 米/秒：流速仪法测不到这样快的水流，多为输入有误（" +
                        std::string(kFastestVelocity.source) + "）");
            }
        }
    }

    // A spacing of 起点距 more than ten times the median spacing of the section.
    void spacingJumps() {
        std::vector<std::pair<int, double>> rows;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (const std::optional<double> x = number(r, col::起点距)) {
                rows.emplace_back(r, *x);
            }
        }
        std::vector<double> spacings;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            if (rows[i].second > rows[i - 1].second) {
                spacings.push_back(rows[i].second - rows[i - 1].second);
            }
        }
        if (spacings.size() < kFewestSpacings) {
            return;
        }
        std::vector<double> sorted = spacings;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t half = sorted.size() / 2;
        const double median =
            sorted.size() % 2 == 1 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2.0;
        if (!(median > 0.0)) {
            return;
        }
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const double spacing = rows[i].second - rows[i - 1].second;
            if (spacing > kSpacingJump.value * median && std::isfinite(spacing)) {
                add(Severity::Notice, rows[i].first, col::起点距,
                    "起点距跳跃：与" + rowName(rows[i - 1].first) + "相距 " +
                        num::fixedText(spacing, 2) + " 米，超过全断面间距中位数 " +
                        num::fixedText(median, 2) + " 米的 10 倍（" +
                        std::string(kSpacingJump.source) + "）");
            }
        }
    }

    // After a computation: how many partial discharges carry more than a tenth of the section,
    // as one notice on the largest; the others are tinted with it.
    void partialShares() {
        const std::string total(discharge_);
        if (total.empty() || !num::isWholeNumber(total)) {
            return;
        }
        const double q = num::numberOf(total);
        if (!std::isfinite(q) || q <= 0.0) {
            return;
        }
        std::vector<int> over;
        int largest = -1;
        double most = 0.0;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            const std::optional<double> part = number(r, col::部分流量);
            if (part && *part > kLargestShare.value * q + 1e-9) {
                over.push_back(r);
                if (*part > most) {
                    most = *part;
                    largest = r;
                }
            }
        }
        if (over.empty()) {
            return;
        }
        add(Severity::Notice, largest, col::部分流量,
            "有 " + std::to_string(over.size()) + " 条部分流量超过断面流量的 10%（最大 " +
                num::fixedText(most / q * 100.0, 0) + "%，" + rowName(largest) + "）；" +
                std::string(kLargestShare.source) +
                " 建议每条部分流量不超过 10%，可考虑增加垂线。");
        std::erase(over, largest);
        findings_.back().alsoRows = std::move(over);
    }

    const Gauging& gauging_;
    const Table& sheet_;
    std::string_view discharge_;
    const CheckOptions& options_;
    bool velocityMode_;
    std::vector<Finding> findings_;
};

} // namespace

std::string_view severityName(Finding::Severity severity) {
    return severity == Severity::Error ? "错误" : "注意";
}

std::vector<Finding> checkMeasurement(const Gauging& gauging, const Table& table,
                                      std::string_view discharge, const CheckOptions& options) {
    return Checker(gauging, table, discharge, options).run();
}

std::string findingPlace(const Finding& finding) {
    if (finding.isCell()) {
        return rowName(finding.row) + "“" + std::string(columnHeading(finding.column)) + "”";
    }
    if (finding.isCoefficient()) {
        return "“" + std::string(kCoefficientNames[finding.coefficientIndex()].name) + "”";
    }
    return "断面";
}

std::string findingLine(const Finding& finding) {
    return findingPlace(finding) + "：" + finding.reason;
}

int countSeverity(std::span<const Finding> findings, Finding::Severity severity) {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [&](const Finding& f) {
        return f.severity == severity;
    }));
}

std::string findingCounts(std::span<const Finding> findings) {
    const int errors = countSeverity(findings, Severity::Error);
    const int notices = countSeverity(findings, Severity::Notice);
    std::string text;
    if (errors > 0) {
        text = "有 " + std::to_string(errors) + " 处错误";
    }
    if (notices > 0) {
        text += (text.empty() ? "有 " : "、") + std::to_string(notices) + " 处需要注意";
    }
    return text;
}

std::string findingList(std::span<const Finding> findings, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < findings.size() && i < most; ++i) {
        text += (i == 0 ? "" : "\n") + std::string(severityName(findings[i].severity)) + "  " +
                findingLine(findings[i]);
    }
    if (findings.size() > most) {
        text += "\n……另有 " + std::to_string(findings.size() - most) + " 处";
    }
    return text;
}

int firstDistanceGap(const Table& sheet, EntryMode mode) {
    int gap = -1;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (isPointRow(sheet, r, mode)) {
            continue;
        }
        if (sheet.cell(r, col::起点距).empty()) {
            gap = gap < 0 ? r : gap;
        } else if (gap >= 0) {
            return gap;
        }
    }
    return -1;
}

} // namespace tarnelo
