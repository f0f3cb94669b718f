#include "station/rating_review.hpp"

#include "files/file_io.hpp"
#include "measure/numtext.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace tarnelo::station {

namespace {

std::string percent(double fraction) {
    const double p = fraction * 100.0;
    return (p > 0 ? "+" : "") + num::fixedText(p, 1) + "%";
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string labelsOf(std::span<const RatingPoint> points, const std::vector<std::size_t>& which) {
    std::string text;
    for (const std::size_t i : which) {
        text += (text.empty() ? "" : "、") + points[i].label;
    }
    return text;
}

std::vector<RatingPoint> subset(std::span<const RatingPoint> points,
                                const std::vector<std::size_t>& which) {
    std::vector<RatingPoint> kept;
    kept.reserve(which.size());
    for (const std::size_t i : which) {
        kept.push_back(points[i]);
    }
    return kept;
}

double mean(const std::vector<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double variance(const std::vector<double>& values, double m) {
    double sum = 0.0;
    for (const double v : values) {
        sum += (v - m) * (v - m);
    }
    return values.size() > 1 ? sum / static_cast<double>(values.size() - 1) : 0.0;
}

// S_e of deviations less each point's offset (the mean deviation of its loop limb, or 0).
double scatterOf(const std::vector<double>& deviations, const std::vector<std::size_t>& which,
                 const std::vector<double>& offsets) {
    double squares = 0.0;
    for (std::size_t k = 0; k < deviations.size(); ++k) {
        const double r = deviations[k] - offsets[which[k]];
        squares += r * r;
    }
    return deviations.size() > 2 ? std::sqrt(squares / static_cast<double>(deviations.size() - 2))
                                 : 0.0;
}

// The outliers of `used`: the worst point beyond 3 S_e is set aside and the rest refitted until
// none of the rest lies beyond; then every point set aside is judged again against the final
// curve, so that a point pushed out by a worse one comes back. At most a third of the points
// are set aside, and never so many that the curve could not be fitted. With a loop, a point's
// deviation is taken from the mean of its limb, so that the loop does not widen the scale.
void findOutliers(std::span<const RatingPoint> points, RatingReview& review, RatingForm form,
                  double alpha, const std::vector<double>& offsets) {
    review.outliers.clear();
    std::vector<std::size_t> clean = review.used;
    std::vector<std::size_t> aside;
    const std::size_t least = (form == RatingForm::Cubic ? 5 : 4) + 2;
    RatingFit fit = review.fit;
    double se = scatterOf(fit.deviations, clean, offsets);
    while (fit.problem.empty() && se > 0.0 && clean.size() > least &&
           aside.size() < review.used.size() / 3) {
        std::size_t worst = 0;
        const auto off = [&](std::size_t k) {
            return std::abs(fit.deviations[k] - offsets[clean[k]]);
        };
        for (std::size_t k = 1; k < fit.deviations.size(); ++k) {
            if (off(k) > off(worst)) {
                worst = k;
            }
        }
        if (off(worst) <= 3.0 * se) {
            break;
        }
        aside.push_back(clean[worst]);
        clean.erase(clean.begin() + static_cast<std::ptrdiff_t>(worst));
        RatingFit next = fitRating(subset(points, clean), form, alpha);
        if (!next.problem.empty()) {
            clean.insert(clean.begin() + static_cast<std::ptrdiff_t>(worst), aside.back());
            aside.pop_back();
            break;
        }
        fit = std::move(next);
        se = scatterOf(fit.deviations, clean, offsets);
    }
    if (!fit.problem.empty()) {
        return;
    }
    review.cleanSe = se;
    for (const std::size_t i : aside) {
        const double q = fit.curve.discharge(points[i].stage);
        const double p = q > 0.0 ? (points[i].discharge - q) / q : INFINITY;
        if (std::abs(p - offsets[i]) > 3.0 * se) {
            std::string likely;
            for (const std::string& doubt : points[i].doubts) {
                likely += (likely.empty() ? "" : "；") + doubt;
            }
            review.outliers.push_back({i, p, std::move(likely)});
        }
    }
    std::sort(review.outliers.begin(), review.outliers.end(),
              [](const Outlier& a, const Outlier& b) { return a.point < b.point; });
}

// Deviations of the points taking part that are not outliers (all of them `withOutliers`),
// against the curve without the outliers when there are any.
std::vector<double> settledDeviations(std::span<const RatingPoint> points,
                                      const RatingReview& review, RatingForm form, double alpha,
                                      bool withOutliers = false) {
    std::vector<double> deviations(points.size(), NAN);
    std::vector<std::size_t> settled;
    for (const std::size_t i : review.used) {
        if (!review.isOutlier(i)) {
            settled.push_back(i);
        }
    }
    const RatingFit fit =
        review.outliers.empty() ? review.fit : fitRating(subset(points, settled), form, alpha);
    if (!fit.problem.empty()) {
        return deviations;
    }
    for (const std::size_t i : withOutliers ? review.used : settled) {
        const double q = fit.curve.discharge(points[i].stage);
        deviations[i] = q > 0.0 ? (points[i].discharge - q) / q : NAN;
    }
    return deviations;
}

LoopTest loopTest(std::span<const RatingPoint> points, const RatingReview& review,
                  const std::vector<double>& deviations) {
    LoopTest t;
    std::vector<double> up;
    std::vector<double> down;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (std::isnan(deviations[i])) {
            continue;
        }
        if (review.trends[i] == Trend::Rising) {
            t.rising.push_back(i);
            up.push_back(deviations[i]);
        } else if (review.trends[i] == Trend::Falling) {
            t.falling.push_back(i);
            down.push_back(deviations[i]);
        }
    }
    const std::string counts =
        "涨水 " + std::to_string(up.size()) + " 个、落水 " + std::to_string(down.size()) + " 个";
    if (up.size() < 2 || down.size() < 2) {
        t.detail =
            counts + "（按基本水尺始、终读数，变化 2 cm 以上为涨落，经验值），不足以检验绳套";
        return t;
    }
    t.ran = true;
    t.risingMean = mean(up);
    t.fallingMean = mean(down);
    const double a = variance(up, t.risingMean) / static_cast<double>(up.size());
    const double b = variance(down, t.fallingMean) / static_cast<double>(down.size());
    const double error = std::sqrt(a + b);
    t.statistic = error > 0.0 ? (t.risingMean - t.fallingMean) / error
                              : (t.risingMean == t.fallingMean ? 0.0 : INFINITY);
    // Welch–Satterthwaite degrees of freedom.
    const double nu = a + b > 0.0 ? (a + b) * (a + b) /
                                        (a * a / static_cast<double>(up.size() - 1) +
                                         b * b / static_cast<double>(down.size() - 1))
                                  : static_cast<double>(up.size() + down.size() - 2);
    t.degreesOfFreedom = nu;
    t.critical = studentCritical(kLoopAlpha, std::max(1, static_cast<int>(std::floor(nu))));
    t.fires = std::abs(t.statistic) > t.critical;
    t.detail = counts + "；涨水平均偏离 " + percent(t.risingMean) + "，落水平均偏离 " +
               percent(t.fallingMean) + "；t = " + num::fixedText(t.statistic, 2) +
               "，临界值 t(0.975, " + std::to_string(static_cast<int>(std::floor(nu))) +
               ") = " + num::fixedText(t.critical, 2) +
               "（Welch t 检验，α = 0.05，双侧；α 为经验值）";
    return t;
}

// Parts the deviations in time order where the means of the two sides differ most (weighted by
// the sides' sizes, as a change in the mean is found), each side of two gaugings at least.
void splitInTime(const std::vector<std::size_t>& order, const std::vector<double>& deviations,
                 DriftTest& t) {
    const std::size_t n = order.size();
    double total = 0.0;
    for (const std::size_t i : order) {
        total += deviations[i];
    }
    double sum = 0.0;
    double best = -1.0;
    std::size_t at = 0;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        sum += deviations[order[k - 1]];
        if (k < 2) {
            continue;
        }
        const double kd = static_cast<double>(k);
        const double rest = static_cast<double>(n - k);
        const double gap = sum / kd - (total - sum) / rest;
        if (const double score = kd * rest * gap * gap; score > best) {
            best = score;
            at = k;
            t.beforeMean = sum / kd;
            t.afterMean = (total - sum) / rest;
        }
    }
    t.before.assign(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(at));
    t.after.assign(order.begin() + static_cast<std::ptrdiff_t>(at), order.end());
}

// The two periods of a shift with their mean deviations, and how to fit each apart.
std::string shiftText(std::span<const RatingPoint> points, const DriftTest& t) {
    const auto period = [&](const std::vector<std::size_t>& which, double m) {
        return std::to_string(which.size()) + " 次（施测号数 " + labelsOf(points, which) +
               "）平均偏离 " + percent(m);
    };
    std::string text = "以施测号数 " + points[t.after.front()].label + " 为界，之前 " +
                       period(t.before, t.beforeMean) + "，之后 " + period(t.after, t.afterMean) +
                       "，相差 " + num::fixedText(std::abs(t.afterMean - t.beforeMean) * 100.0, 1) +
                       "%";
    const auto joined = [&](const std::vector<std::size_t>& which) {
        std::string labels;
        for (const std::size_t i : which) {
            labels += (labels.empty() ? "" : ",") + points[i].label;
        }
        return labels;
    };
    // The power form needs four points (经验值 of the fit: two more than its parameters).
    constexpr std::size_t kLeast = 4;
    if (t.before.size() < kLeast || t.after.size() < kLeast) {
        return text + "；一个时段的测点不足 " + std::to_string(kLeast) +
               " 个，不能分开定线，请查明该时段的测验";
    }
    return text + "；宜按两个时段分别定线：前一时段 tarnelo-cli rating 本年测验文件 --exclude " +
           joined(t.after) + ":后一时段另行定线，后一时段 tarnelo-cli rating 本年测验文件 " +
           "--exclude " + joined(t.before) + ":前一时段另行定线（窗口中取消勾选另一时段的测次）";
}

DriftTest driftTest(std::span<const RatingPoint> points, const std::vector<double>& deviations) {
    DriftTest t;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!std::isnan(deviations[i]) && deviations[i] != 0.0 && points[i].minutes > 0) {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return points[a].minutes < points[b].minutes;
    });
    const double n = static_cast<double>(order.size());
    if (order.size() < 8) {
        t.detail = "有时间的测点不足 8 个（经验值），不检验偏离的时序变化";
        return t;
    }
    t.ran = true;
    std::vector<std::size_t> run;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const bool same = k > 0 && (deviations[order[k]] > 0) == (deviations[order[k - 1]] > 0);
        if (k > 0 && !same) {
            ++t.changes;
            run.clear();
        }
        run.push_back(order[k]);
        if (run.size() > t.longestRun.size()) {
            t.longestRun = run;
        }
    }
    const std::string runText = "最长同号段 " + std::to_string(t.longestRun.size()) + " 次（" +
                                labelsOf(points, t.longestRun) + "，均偏" +
                                (deviations[t.longestRun.front()] > 0 ? "正" : "负") + "）";
    if (t.changes >= 0.5 * (n - 1.0)) {
        t.detail = "按施测时间顺序变号 " + std::to_string(t.changes) + " 次，不少于 0.5(n − 1)，" +
                   "偏离无时序趋势";
        return t;
    }
    t.statistic = (0.5 * (n - 1.0) - t.changes - 0.5) / (0.5 * std::sqrt(n - 1.0));
    t.fires = t.statistic >= 1.64;
    t.detail = "按施测时间顺序变号 " + std::to_string(t.changes) +
               " 次，U = " + num::fixedText(t.statistic, 2) +
               "，临界值 1.64（适线检验的方法用于时间顺序，" + "显著性水平 0.05，单侧）；" +
               runText;
    if (t.fires) {
        splitInTime(order, deviations, t);
        t.detail += "；" + shiftText(points, t);
    }
    return t;
}

} // namespace

Trend trendOf(std::optional<double> stageChange) {
    if (!stageChange) {
        return Trend::Unknown;
    }
    // The readings are centimetres; compare on them so that 0.02 counts as 2 cm.
    const long long cm = std::llround(*stageChange * 100.0);
    const long long limit = std::llround(kTrendThreshold * 100.0);
    return cm >= limit ? Trend::Rising : cm <= -limit ? Trend::Falling : Trend::Steady;
}

std::string_view trendName(Trend trend) {
    switch (trend) {
    case Trend::Rising:
        return "涨";
    case Trend::Falling:
        return "落";
    case Trend::Steady:
        return "平";
    case Trend::Unknown:
        break;
    }
    return {};
}

const std::string& Reason::text() const {
    static const std::string none;
    return text_ ? *text_ : none;
}

std::optional<std::vector<Exclusion>> parseExclusions(std::string_view text, std::string& problem,
                                                      bool kept) {
    std::size_t colon = text.find(':');
    std::size_t width = 1;
    if (const std::size_t wide = text.find("："); wide < colon) {
        colon = wide;
        width = std::string_view("：").size();
    }
    if (colon == std::string_view::npos || trimmed(text.substr(colon + width)).empty()) {
        problem = kept ? "请在冒号后写明复核后保留的原因，如 8:已核对原始记录，无误"
                       : "请在冒号后写明不参加定线的原因，如 8,27:流速仪故障";
        return std::nullopt;
    }
    const Reason reason(trimmed(text.substr(colon + width)));
    std::vector<Exclusion> exclusions;
    std::string_view labels = text.substr(0, colon);
    while (true) {
        std::size_t comma = labels.find(',');
        std::size_t step = 1;
        if (const std::size_t wide = labels.find("，"); wide < comma) {
            comma = wide;
            step = std::string_view("，").size();
        }
        const std::string label = trimmed(labels.substr(0, comma));
        if (label.empty()) {
            problem = "施测号数不能为空：" + std::string(text);
            return std::nullopt;
        }
        exclusions.push_back({label, reason, kept});
        if (comma == std::string_view::npos) {
            break;
        }
        labels = labels.substr(comma + step);
    }
    return exclusions;
}

std::string deviationText(double fraction) {
    return std::isfinite(fraction) ? percent(fraction) : "关系线在此水位无流量";
}

bool RatingReview::isOutlier(std::size_t point) const {
    return std::any_of(outliers.begin(), outliers.end(),
                       [&](const Outlier& o) { return o.point == point; });
}

bool RatingReview::isUnhandledOutlier(std::size_t point) const {
    return isOutlier(point) && (point >= kept.size() || kept[point].empty());
}

RatingReview reviewRating(std::span<const RatingPoint> points,
                          std::span<const Exclusion> exclusions, RatingForm form, double alpha) {
    RatingReview review;
    review.excluded.assign(points.size(), Reason());
    review.kept.assign(points.size(), Reason());
    review.deviations.assign(points.size(), NAN);
    for (const Exclusion& e : exclusions) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (points[i].label == e.label) {
                (e.kept ? review.kept : review.excluded)[i] = e.reason;
            }
        }
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        review.trends.push_back(trendOf(points[i].stageChange));
        if (review.excluded[i].empty()) {
            review.used.push_back(i);
        }
    }
    review.fit = fitRating(subset(points, review.used), form, alpha);
    if (!review.fit.problem.empty()) {
        return review;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double q = review.fit.curve.discharge(points[i].stage);
        review.deviations[i] = q > 0.0 ? (points[i].discharge - q) / q : NAN;
    }
    std::vector<double> offsets(points.size(), 0.0);
    findOutliers(points, review, form, alpha, offsets);
    // A loop widens the scatter about one curve, and its limbs' gaugings would be taken for
    // outliers: screen every gauging taking part for a loop first, and when there is one, judge
    // outliers about their limb's mean.
    const LoopTest screen =
        loopTest(points, review, settledDeviations(points, review, form, alpha, true));
    if (screen.fires) {
        for (const std::size_t i : screen.rising) {
            offsets[i] = screen.risingMean;
        }
        for (const std::size_t i : screen.falling) {
            offsets[i] = screen.fallingMean;
        }
        findOutliers(points, review, form, alpha, offsets);
        review.loopAwareScale = true;
    }
    const std::vector<double> settled = settledDeviations(points, review, form, alpha);
    review.loop = loopTest(points, review, settled);
    review.drift = driftTest(points, settled);
    return review;
}

RatingVerdict ratingVerdict(const RatingReview& review, std::span<const RatingPoint> points,
                            StationClass station) {
    RatingVerdict verdict = ratingVerdict(review.fit.tests, station);
    std::string named;
    std::size_t unhandled = 0;
    for (const Outlier& o : review.outliers) {
        if (review.isUnhandledOutlier(o.point)) {
            named += (named.empty() ? "" : "、") + points[o.point].label + "（" +
                     deviationText(o.deviation) + "）";
            ++unhandled;
        }
    }
    if (unhandled > 0) {
        verdict.reasons.push_back("突出点 " + std::to_string(unhandled) + " 个未处理：" + named +
                                  "，超过 3Se = " + num::fixedText(review.cleanSe * 300.0, 1) +
                                  "%（Se 按剔除突出点" +
                                  (review.loopAwareScale ? "、扣除涨落水平均偏离" : "") +
                                  "后计算）；查明原因后剔除、改正或复核保留");
    }
    if (review.loop.fires) {
        verdict.reasons.push_back(
            "单一曲线不适用：涨水测点（" + labelsOf(points, review.loop.rising) + "）平均偏离 " +
            percent(review.loop.risingMean) + "，落水测点（" +
            labelsOf(points, review.loop.falling) + "）平均偏离 " +
            percent(review.loop.fallingMean) +
            "，差异显著（t = " + num::fixedText(review.loop.statistic, 2) + " > " +
            num::fixedText(review.loop.critical, 2) + "，α = 0.05），呈绳套");
    }
    if (review.drift.fires) {
        verdict.reasons.push_back("单一曲线不适用：偏离随时间系统变化（" + review.drift.detail +
                                  "）");
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!review.excluded[i].empty()) {
            verdict.notes.push_back("施测号数 " + points[i].label + " 不参加定线：" +
                                    review.excluded[i]);
        }
    }
    for (const Outlier& o : review.outliers) {
        if (!review.isUnhandledOutlier(o.point)) {
            verdict.notes.push_back("施测号数 " + points[o.point].label + " 为突出点（偏离 " +
                                    deviationText(o.deviation) + "），经复核保留，参加定线：" +
                                    review.kept[o.point]);
        }
    }
    for (std::size_t i = 0; i < points.size() && i < review.kept.size(); ++i) {
        if (!review.kept[i].empty() && !review.isOutlier(i)) {
            verdict.notes.push_back("施测号数 " + points[i].label + " 经复核保留，参加定线：" +
                                    review.kept[i]);
        }
    }
    verdict.adequate = verdict.reasons.empty();
    return verdict;
}

std::vector<RatingPoint> ratingPoints(const StationTable& table) {
    // How the station usually gauges, to name a gauging made otherwise as a likely reason.
    std::vector<int> verticals;
    std::size_t typed = 0;
    for (const TableRow& row : table.rows) {
        verticals.push_back(row.verticals);
        typed += row.velocityMode ? 1 : 0;
    }
    std::sort(verticals.begin(), verticals.end());
    const int usual = verticals.empty() ? 0 : verticals[verticals.size() / 2];
    const bool usuallyTyped = 2 * typed > table.rows.size();
    std::vector<RatingPoint> points;
    for (const TableRow& row : table.rows) {
        const auto q = row.discharge();
        if (!row.stage.metres || !q) {
            continue;
        }
        RatingPoint p;
        p.stage = *row.stage.metres;
        p.discharge = *q;
        // A file name from another system (GBK bytes) is labelled by its escaped form: labels
        // go into XML and onto terminals, which take UTF-8 alone.
        p.label = row.number.empty() ? escapedName(row.file.stem()) : row.number;
        p.uncertainty = row.ive ? row.ive : row.iso748;
        p.minutes = row.time.start.minutes();
        p.stageChange = row.stageChange;
        p.doubts = row.doubts;
        p.file = row.file;
        // Fewer than half the usual verticals (经验值), or the velocities typed where the station
        // usually counts signals (or the other way round).
        if (2 * row.verticals < usual) {
            p.doubts.push_back("测速垂线 " + std::to_string(row.verticals) + " 条，不到多数测次（" +
                               std::to_string(usual) + " 条）的一半（经验值）");
        }
        if (row.velocityMode != usuallyTyped) {
            p.doubts.push_back(row.velocityMode ? "测速模式录入，与多数测次不同"
                                                : "垂线模式录入，与多数测次不同");
        }
        points.push_back(std::move(p));
    }
    distinguishLabels(points);
    return points;
}

std::string exclusionProblem(std::span<const RatingPoint> points,
                             std::span<const Exclusion> exclusions) {
    for (const Exclusion& e : exclusions) {
        const bool both = std::any_of(exclusions.begin(), exclusions.end(), [&](const auto& x) {
            return x.label == e.label && x.kept != e.kept;
        });
        if (both) {
            return "施测号数 " + e.label + " 不能既不参加定线又复核保留，请只选一种";
        }
        const bool found = std::any_of(points.begin(), points.end(),
                                       [&](const RatingPoint& p) { return p.label == e.label; });
        if (found) {
            continue;
        }
        std::string repeated;
        for (const RatingPoint& p : points) {
            if (p.label.rfind(e.label + "#", 0) == 0) {
                repeated += (repeated.empty() ? "" : "、") + p.label;
            }
        }
        if (!repeated.empty()) {
            return "施测号数 " + e.label + " 有多个测点（" + repeated + "），请写明是哪一个";
        }
        return "没有施测号数为 " + e.label + " 的定线测点";
    }
    return {};
}

void distinguishLabels(std::vector<RatingPoint>& points) {
    std::map<std::string, int> count;
    for (const RatingPoint& p : points) {
        ++count[p.label];
    }
    std::map<std::string, int> seen;
    for (RatingPoint& p : points) {
        if (count[p.label] > 1) {
            const int k = ++seen[p.label];
            p.label += "#" + std::to_string(k);
        }
    }
}

} // namespace tarnelo::station
