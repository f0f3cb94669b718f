// The checks of slipped digits: a depth or a point velocity far from both of its neighbours, in
// either direction, or far above its one neighbour beside a bank. A digit typed once too often
// or too few (0.52 for 5.2, 18 for 180), a lost point (2.20 for 0.22) or N and T typed in each
// other's place each makes a value some ten times or more off.
#include "checks/check_support.hpp"

#include "gauging/points.hpp"
#include "measure/numtext.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tarnelo::check_support {

namespace {

using Severity = Finding::Severity;

// A depth more than 3 times both of its neighbours, or beside a bank its one neighbour on the
// other side; a depth under a third of both. Natural sections change their depth more slowly from
// one vertical to the next; a slipped digit makes a factor of ten.
constexpr Threshold kDepthSpike{3.0, "经验值"};
// A point velocity more than 3 times the velocities of both neighbouring verticals at the same
// position, or less than a third of both; beside a bank, more than 3 times its one neighbour
// (slower water at a bank is no slip). N and T swapped gives about 4 times or more.
constexpr Threshold kVelocitySpike{3.0, "经验值"};
// Velocities less than 0.05 m/s apart are never far: in slack water near a meter's starting
// velocity (a few hundredths) 0.01 and 0.04 are alike.
constexpr Threshold kVelocityResolution{0.05, "经验值"};

std::string timesText(const Threshold& threshold) {
    return num::plainText(threshold.value) + " 倍";
}
std::string shareText(const Threshold& threshold) {
    return "1/" + num::plainText(threshold.value);
}

// How a value stands against its neighbours, either of which may be missing (the bank side).
enum class Standing { InLine, AboveBoth, BelowBoth, AboveInner };

// How far is far: more than `factor` times, or less than 1/`factor`, and more than `apart` away.
struct Far {
    double factor;
    double apart = 0.0;
    bool above(double value, double neighbour) const {
        return value > factor * neighbour && value - neighbour > apart;
    }
    bool below(double value, double neighbour) const {
        return value * factor < neighbour && neighbour - value > apart;
    }
};

// Beside a bank (bankSide) a missing or zero neighbour is the bank's side: the value is
// weighed against its one inner neighbour, and only when it is far above it.
Standing standingOf(double value, std::optional<double> before, std::optional<double> after,
                    const Far& far, bool bankSide) {
    if (!(value > 0.0)) {
        return Standing::InLine;
    }
    const bool hasBefore = before && *before > 0.0;
    const bool hasAfter = after && *after > 0.0;
    if (hasBefore && hasAfter) {
        if (far.above(value, *before) && far.above(value, *after)) {
            return Standing::AboveBoth;
        }
        if (far.below(value, *before) && far.below(value, *after)) {
            return Standing::BelowBoth;
        }
        return Standing::InLine;
    }
    // Beside a bank: the one neighbour inside the section, the other missing or a water edge.
    const std::optional<double> inner = hasBefore ? before : after;
    const std::optional<double> outer = hasBefore ? after : before;
    if (bankSide && (hasBefore || hasAfter) && (!outer || *outer == 0.0) &&
        far.above(value, *inner)) {
        return Standing::AboveInner;
    }
    return Standing::InLine;
}

class TypoChecker {
  public:
    TypoChecker(const Gauging& gauging, const Table& table, std::vector<Finding>& findings)
        : gauging_(gauging), sheet_(table), findings_(findings), mode_(gauging.mode) {}

    void run() {
        depths();
        velocities();
    }

  private:
    const std::string& cell(int row, int column) const { return sheet_.cell(row, column); }
    std::optional<double> number(int row, int column) const {
        const std::string& text = cell(row, column);
        if (text.empty() || !num::isWholeNumber(text)) {
            return std::nullopt;
        }
        const double value = num::numberOf(text);
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    }
    void add(int row, int column, std::string reason) {
        findings_.push_back({Severity::Notice, row, column, -1, std::move(reason), {}});
    }
    bool hasError(int row, int column) const {
        return std::any_of(findings_.begin(), findings_.end(), [&](const Finding& f) {
            return f.row == row && f.column == column && f.severity == Severity::Error;
        });
    }

    // Every typed depth against the depths of the rows above and below it (water edges, of
    // depth 0, are no measure to compare with, but mark a bank).
    void depths() {
        std::vector<std::pair<int, double>> rows;
        for (int r = 0; r < sheet_.rowCount(); ++r) {
            if (const std::optional<double> d = number(r, col::水深)) {
                rows.emplace_back(r, *d);
            }
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto [row, depth] = rows[i];
            const std::optional<double> before =
                i > 0 ? std::optional(rows[i - 1].second) : std::nullopt;
            const std::optional<double> after =
                i + 1 < rows.size() ? std::optional(rows[i + 1].second) : std::nullopt;
            const std::string& typed = cell(row, col::水深);
            const std::string both =
                i > 0 && i + 1 < rows.size()
                    ? cell(rows[i - 1].first, col::水深) + "、" + cell(rows[i + 1].first, col::水深)
                    : std::string();
            const std::string source = "（" + std::string(kDepthSpike.source) + "）";
            // The first and last verticals of the section, beside its water edges (an island's
            // edges in mid-section are passed over).
            const bool bankSide = i <= 1 || i + 2 >= rows.size();
            switch (standingOf(depth, before, after, Far{kDepthSpike.value}, bankSide)) {
            case Standing::AboveBoth:
                add(row, col::水深,
                    "水深 " + typed + " 超过上下两条垂线水深（" + both + "）的 " +
                        timesText(kDepthSpike) + "，请核对" + source);
                break;
            case Standing::BelowBoth:
                add(row, col::水深,
                    "水深 " + typed + " 不到上下两条垂线水深（" + both + "）的 " +
                        shareText(kDepthSpike) + "，可能漏了一位或点错小数点，请核对" + source);
                break;
            case Standing::AboveInner: {
                const int inner = before && *before > 0.0 ? rows[i - 1].first : rows[i + 1].first;
                add(row, col::水深,
                    "水深 " + typed + " 超过里侧垂线水深（" + cell(inner, col::水深) + "）的 " +
                        timesText(kDepthSpike) + "，而另一侧是水边，请核对" + source);
                break;
            }
            case Standing::InLine:
                break;
            }
        }
    }

    // The velocity of a measured row: the point velocity of the sheet (typed, or computed), or
    // before a computation the meter rating's. Nothing for a row whose velocity, N or T is an
    // error: it is no measure for its neighbours either.
    std::optional<double> velocityOf(int row) const {
        if (hasError(row, col::测点流速) || hasError(row, col::N) || hasError(row, col::T)) {
            return std::nullopt;
        }
        if (const std::optional<double> shown = number(row, col::测点流速)) {
            return shown;
        }
        return mode_ == EntryMode::Velocity ? std::nullopt : ratedVelocity(gauging_, sheet_, row);
    }

    // A vertical's velocity at a relative position: its point there, or the mean of its points.
    std::optional<double> velocityAt(const PointedVertical& vertical, double relative) const {
        double sum = 0.0;
        int count = 0;
        for (const int r : vertical.points) {
            const std::optional<double> v = velocityOf(r);
            const std::optional<double> at = number(r, col::相对);
            if (v && at && std::abs(*at - relative) < 1e-9) {
                return v;
            }
            if (v) {
                sum += *v;
                ++count;
            }
        }
        return count > 0 ? std::optional(sum / count) : std::nullopt;
    }

    // Every point velocity against the same position of the velocity verticals on either side.
    void velocities() {
        const std::vector<PointedVertical> verticals = pointedVerticals(sheet_, mode_);
        for (std::size_t k = 0; k < verticals.size(); ++k) {
            for (const int r : verticals[k].points) {
                const int column = mode_ == EntryMode::Velocity ? col::测点流速 : col::N;
                const std::optional<double> v = velocityOf(r);
                if (!v) {
                    continue;
                }
                const double at = number(r, col::相对).value_or(0.6);
                const std::optional<double> before =
                    k > 0 ? velocityAt(verticals[k - 1], at) : std::nullopt;
                const std::optional<double> after =
                    k + 1 < verticals.size() ? velocityAt(verticals[k + 1], at) : std::nullopt;
                // Only the verticals beside the banks may lack a neighbour.
                if ((k > 0 && !before) || (k + 1 < verticals.size() && !after)) {
                    continue;
                }
                const Standing standing = standingOf(
                    *v, before, after, Far{kVelocitySpike.value, kVelocityResolution.value},
                    k == 0 || k + 1 == verticals.size());
                if (standing != Standing::InLine) {
                    add(r, column, velocityReason(r, *v, standing, before, after));
                }
            }
        }
    }

    std::string velocityReason(int row, double v, Standing standing, std::optional<double> before,
                               std::optional<double> after) const {
        const auto shown = [](double x) { return num::graded(x, num::Grade::Velocity); };
        const bool counted = mode_ != EntryMode::Velocity;
        std::string said = counted ? "由 N、T 算得的测点流速 " + shown(v) + " 米/秒"
                                   : "测点流速 " + cell(row, col::测点流速) + " 米/秒";
        const std::string source = "（" + std::string(kVelocitySpike.source) + "）";
        if (standing == Standing::AboveInner) {
            said += "超过里侧相邻测速垂线相应测点流速（" + shown(before ? *before : *after) +
                    "）的 " + timesText(kVelocitySpike) + "，而另一侧是岸边" + source;
        } else {
            said += std::string(standing == Standing::AboveBoth ? "超过" : "不到") +
                    "两侧相邻测速垂线相应测点流速（" + shown(*before) + "、" + shown(*after) +
                    "）的 " +
                    (standing == Standing::AboveBoth ? timesText(kVelocitySpike)
                                                     : shareText(kVelocitySpike)) +
                    source;
        }
        if (!counted) {
            return said + "：可能多打、漏打一位或点错小数点，请核对";
        }
        said += "：请核对 N 和 T";
        // N and T in each other's place: the velocity they give swapped lies among the
        // neighbours'.
        const std::optional<double> n = number(row, col::N);
        const std::optional<double> t = number(row, col::T);
        if (n && t && *n > 0.0 && *t > 0.0) {
            const std::optional<double> other = swappedVelocity(*n, *t);
            const auto near = [&](std::optional<double> neighbour) {
                return !neighbour || (*other * kVelocitySpike.value >= *neighbour &&
                                      *other <= kVelocitySpike.value * *neighbour);
            };
            if (other && near(before) && near(after)) {
                said += "（N、T 互换则为 " + shown(*other) + " 米/秒，与相邻垂线相近：可能填反）";
            }
        }
        return said;
    }

    // The rating's velocity with N for T and T for N.
    std::optional<double> swappedVelocity(double n, double t) const {
        const auto coefficient = [&](std::size_t i) -> std::optional<double> {
            const std::string& text = gauging_.coefficient(i);
            if (text.empty() || !num::isWholeNumber(text)) {
                return std::nullopt;
            }
            return num::numberOf(text);
        };
        const std::optional<double> r = coefficient(coef::信号转数);
        const std::optional<double> k = coefficient(coef::公式系数K);
        const std::optional<double> c = coefficient(coef::公式常数C);
        if (!r || !k || !c) {
            return std::nullopt;
        }
        const double v = *k * (*r * t) / n + *c;
        return std::isfinite(v) ? std::optional(v) : std::nullopt;
    }

    const Gauging& gauging_;
    const Table& sheet_;
    std::vector<Finding>& findings_;
    EntryMode mode_;
};

} // namespace

void checkTypos(const Gauging& gauging, const Table& table, std::vector<Finding>& findings) {
    TypoChecker(gauging, table, findings).run();
}

} // namespace tarnelo::check_support
