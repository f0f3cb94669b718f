#include "station/rating.hpp"

#include "measure/numtext.hpp"
#include "station/station_table.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tarnelo::station {

namespace {

// The regularised incomplete beta function I_x(a, b) by its continued fraction (modified Lentz).
double incompleteBeta(double x, double a, double b) {
    if (x <= 0.0) {
        return 0.0;
    }
    if (x >= 1.0) {
        return 1.0;
    }
    if (x > (a + 1.0) / (a + b + 2.0)) {
        return 1.0 - incompleteBeta(1.0 - x, b, a);
    }
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                  a * std::log(x) + b * std::log(1.0 - x)) /
                         a;
    constexpr double kTiny = 1e-300;
    double f = 1.0;
    double c = 1.0;
    double d = 0.0;
    for (int i = 0; i <= 400; ++i) {
        const int m = i / 2;
        double numerator;
        if (i == 0) {
            numerator = 1.0;
        } else if (i % 2 == 0) {
            numerator = (m * (b - m) * x) / ((a + 2.0 * m - 1.0) * (a + 2.0 * m));
        } else {
            numerator = -((a + m) * (a + b + m) * x) / ((a + 2.0 * m) * (a + 2.0 * m + 1.0));
        }
        d = 1.0 + numerator * d;
        d = std::abs(d) < kTiny ? kTiny : d;
        d = 1.0 / d;
        c = 1.0 + numerator / c;
        c = std::abs(c) < kTiny ? kTiny : c;
        const double step = c * d;
        f *= step;
        if (std::abs(1.0 - step) < 1e-14) {
            break;
        }
    }
    return front * (f - 1.0);
}

// P(T ≤ t) for Student's distribution with nu degrees of freedom, t ≥ 0.
double studentCdf(double t, double nu) {
    return 1.0 - 0.5 * incompleteBeta(nu / (nu + t * t), nu / 2.0, 0.5);
}

struct Line {
    double slope = 0.0;
    double intercept = 0.0;
    double sse = 0.0;
};

Line regression(std::span<const double> x, std::span<const double> y) {
    const double n = static_cast<double>(x.size());
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
    double sxx = 0.0;
    double sxy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    Line line;
    line.slope = sxx > 0.0 ? sxy / sxx : 0.0;
    line.intercept = my - line.slope * mx;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double r = y[i] - (line.intercept + line.slope * x[i]);
        line.sse += r * r;
    }
    return line;
}

// Least squares of log Q on log (Z − Z₀) for a given Z₀.
struct PowerFit {
    std::vector<double> x;
    std::vector<double> y;
    std::span<const RatingPoint> points;

    Line at(double z0) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            x[i] = std::log(points[i].stage - z0);
        }
        return regression(x, y);
    }
};

RatingCurve fitPower(std::span<const RatingPoint> points) {
    PowerFit fit{std::vector<double>(points.size()), std::vector<double>(points.size()), points};
    double lowest = points.front().stage;
    double highest = lowest;
    for (std::size_t i = 0; i < points.size(); ++i) {
        fit.y[i] = std::log(points[i].discharge);
        lowest = std::min(lowest, points[i].stage);
        highest = std::max(highest, points[i].stage);
    }
    // Z₀ is searched at depths below the lowest stage from 1 mm to three times the gauged range
    // (at least 5 m), evenly in the logarithm of the depth, then refined by golden section.
    const double nearest = std::log(0.001);
    const double farthest = std::log(std::max(3.0 * (highest - lowest), 5.0));
    constexpr int kSteps = 96;
    const auto z0Of = [&](double logDepth) { return lowest - std::exp(logDepth); };
    int best = 0;
    double bestSse = INFINITY;
    for (int k = 0; k <= kSteps; ++k) {
        const double sse = fit.at(z0Of(nearest + (farthest - nearest) * k / kSteps)).sse;
        if (sse < bestSse) {
            bestSse = sse;
            best = k;
        }
    }
    const double step = (farthest - nearest) / kSteps;
    double lo = nearest + step * std::max(best - 1, 0);
    double hi = nearest + step * std::min(best + 1, kSteps);
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double c = hi - ratio * (hi - lo);
    double d = lo + ratio * (hi - lo);
    double fc = fit.at(z0Of(c)).sse;
    double fd = fit.at(z0Of(d)).sse;
    for (int i = 0; i < 60 && hi - lo > 1e-10; ++i) {
        if (fc < fd) {
            hi = d;
            d = c;
            fd = fc;
            c = hi - ratio * (hi - lo);
            fc = fit.at(z0Of(c)).sse;
        } else {
            lo = c;
            c = d;
            fc = fd;
            d = lo + ratio * (hi - lo);
            fd = fit.at(z0Of(d)).sse;
        }
    }
    RatingCurve curve;
    curve.form = RatingForm::Power;
    curve.z0 = z0Of((lo + hi) / 2.0);
    const Line line = fit.at(curve.z0);
    curve.b = line.slope;
    curve.a = std::exp(line.intercept);
    curve.z0AtBound = best == 0 || best == kSteps;
    return curve;
}

// Solves the square system m·x = v in place by elimination with partial pivoting; false when
// it is singular.
bool solve(std::vector<std::vector<double>>& m, std::vector<double>& v) {
    const std::size_t n = v.size();
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < n; ++r) {
            if (std::abs(m[r][col]) > std::abs(m[pivot][col])) {
                pivot = r;
            }
        }
        if (std::abs(m[pivot][col]) < 1e-12) {
            return false;
        }
        std::swap(m[col], m[pivot]);
        std::swap(v[col], v[pivot]);
        for (std::size_t r = col + 1; r < n; ++r) {
            const double f = m[r][col] / m[col][col];
            for (std::size_t k = col; k < n; ++k) {
                m[r][k] -= f * m[col][k];
            }
            v[r] -= f * v[col];
        }
    }
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t k = i + 1; k < n; ++k) {
            v[i] -= m[i][k] * v[k];
        }
        v[i] /= m[i][i];
    }
    return true;
}

std::optional<RatingCurve> fitPolynomial(std::span<const RatingPoint> points, int degree) {
    RatingCurve curve;
    curve.form = degree == 2 ? RatingForm::Quadratic : RatingForm::Cubic;
    double sum = 0.0;
    double spread = 0.0;
    for (const RatingPoint& p : points) {
        sum += p.stage;
    }
    curve.centre = sum / static_cast<double>(points.size());
    for (const RatingPoint& p : points) {
        spread = std::max(spread, std::abs(p.stage - curve.centre));
    }
    if (spread <= 0.0) {
        return std::nullopt;
    }
    const std::size_t size = static_cast<std::size_t>(degree) + 1;
    std::vector<std::vector<double>> m(size, std::vector<double>(size, 0.0));
    std::vector<double> v(size, 0.0);
    for (const RatingPoint& p : points) {
        std::vector<double> powers(size, 1.0);
        const double t = (p.stage - curve.centre) / spread;
        for (std::size_t k = 1; k < size; ++k) {
            powers[k] = powers[k - 1] * t;
        }
        for (std::size_t i = 0; i < size; ++i) {
            for (std::size_t k = 0; k < size; ++k) {
                m[i][k] += powers[i] * powers[k];
            }
            v[i] += powers[i] * p.discharge;
        }
    }
    if (!solve(m, v)) {
        return std::nullopt;
    }
    for (std::size_t k = 0; k < size; ++k) {
        v[k] /= std::pow(spread, static_cast<double>(k));
    }
    curve.coefficients = std::move(v);
    return curve;
}

std::string fixed(double x, int decimals) {
    return num::fixedText(x, decimals);
}

// x to `digits` significant digits.
std::string significant(double x, int digits) {
    if (x == 0.0 || !std::isfinite(x)) {
        return num::plainText(x);
    }
    const int decimals = digits - 1 - static_cast<int>(std::floor(std::log10(std::abs(x))));
    return decimals >= 0 ? num::fixedText(x, decimals) : num::plainText(num::roundHalfAway(x, 0));
}

} // namespace

std::string_view ratingFormName(RatingForm form) {
    switch (form) {
    case RatingForm::Power:
        return "幂函数 Q = a(Z − Z₀)^b";
    case RatingForm::Quadratic:
        return "二次多项式";
    case RatingForm::Cubic:
        return "三次多项式";
    }
    return {};
}

double RatingCurve::discharge(double z) const {
    if (form == RatingForm::Power) {
        return z > z0 ? a * std::pow(z - z0, b) : 0.0;
    }
    double q = 0.0;
    for (std::size_t k = coefficients.size(); k-- > 0;) {
        q = q * (z - centre) + coefficients[k];
    }
    return q;
}

std::string RatingCurve::equation() const {
    if (form == RatingForm::Power) {
        return "Q = " + significant(a, 4) + " (Z − " + fixed(z0, 3) + ")^" + fixed(b, 3);
    }
    std::string text = "Q = ";
    const std::string t = "(Z − " + fixed(centre, 3) + ")";
    static constexpr std::string_view kPowers[] = {"", "", "²", "³"};
    for (std::size_t k = 0; k < coefficients.size(); ++k) {
        const double c = coefficients[k];
        if (k > 0) {
            text += c < 0 ? " − " : " + ";
        } else if (c < 0) {
            text += "−";
        }
        text += significant(std::abs(c), 6);
        if (k > 0) {
            text += " " + t + std::string(kPowers[k]);
        }
    }
    return text;
}

double studentCritical(double alpha, int degreesOfFreedom) {
    const double target = 1.0 - alpha / 2.0;
    const double nu = std::max(degreesOfFreedom, 1);
    double lo = 0.0;
    double hi = 1000.0;
    for (int i = 0; i < 100; ++i) {
        const double mid = (lo + hi) / 2.0;
        (studentCdf(mid, nu) < target ? lo : hi) = mid;
    }
    return (lo + hi) / 2.0;
}

RatingTests ratingTests(std::span<const double> stages, std::span<const double> deviations,
                        double alpha) {
    RatingTests t;
    t.alpha = alpha;
    const std::size_t count = deviations.size();
    const double n = static_cast<double>(count);
    t.n = static_cast<int>(count);

    // 符号检验: u = (|k − 0.5n| − 0.5) / (0.5√n), passes below 1.15 (significance 0.25). The
    // continuity correction (− 0.5) only takes up the step of a count: when k is within half a
    // point of 0.5n, u is 0, never negative.
    double k = 0.0;
    for (const double p : deviations) {
        k += p > 0.0 ? 1.0 : p == 0.0 ? 0.5 : 0.0;
    }
    t.sign.name = "符号检验";
    t.sign.count = k;
    t.sign.statistic = std::max(std::abs(k - 0.5 * n) - 0.5, 0.0) / (0.5 * std::sqrt(n));
    t.sign.critical = 1.15;
    t.sign.passed = *t.sign.statistic < t.sign.critical;
    t.sign.detail = "正偏离 " + num::plainText(k) + " 个，共 " + std::to_string(count) +
                    " 点；u = " + fixed(*t.sign.statistic, 2) +
                    "，临界值 1.15（显著性水平 "
                    "0.25，SL/T 247-2020）";

    // 适线检验, points in stage order: k sign changes; at least 0.5(n − 1) passes at once,
    // else U = (0.5(n − 1) − k − 0.5) / (0.5√(n − 1)) passes below 1.64 (one-sided 0.05).
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return stages[a] < stages[b]; });
    int changes = 0;
    int previous = 0;
    for (const std::size_t i : order) {
        const int sign = deviations[i] > 0.0 ? 1 : deviations[i] < 0.0 ? -1 : 0;
        if (sign != 0) {
            changes += previous != 0 && sign != previous ? 1 : 0;
            previous = sign;
        }
    }
    t.run.name = "适线检验";
    t.run.count = changes;
    t.run.critical = 1.64;
    if (changes >= 0.5 * (n - 1.0)) {
        t.run.passed = true;
        t.run.detail = "变号 " + std::to_string(changes) +
                       " 次，不少于 0.5(n − 1) = " + num::plainText(0.5 * (n - 1.0)) + "，免检合格";
    } else {
        t.run.statistic = (0.5 * (n - 1.0) - changes - 0.5) / (0.5 * std::sqrt(n - 1.0));
        t.run.passed = *t.run.statistic < t.run.critical;
        t.run.detail = "变号 " + std::to_string(changes) +
                       " 次；U = " + fixed(*t.run.statistic, 2) +
                       "，临界值 1.64（显著性水平 0.05，单侧，SL/T 247-2020）";
    }

    // 偏离数值检验: t = P̄ / (S / √n) against t(1 − α/2, n − 1).
    const double mean = std::accumulate(deviations.begin(), deviations.end(), 0.0) / n;
    double squares = 0.0;
    double raw = 0.0;
    for (const double p : deviations) {
        squares += (p - mean) * (p - mean);
        raw += p * p;
    }
    t.meanDeviation = mean;
    t.standardDeviation = count > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;
    t.deviation.name = "偏离数值检验";
    t.deviation.count = n - 1.0;
    t.deviation.critical = studentCritical(alpha, t.n - 1);
    const double error = t.standardDeviation / std::sqrt(n);
    t.deviation.statistic = error > 0.0 ? mean / error : mean == 0.0 ? 0.0 : INFINITY;
    t.deviation.passed = std::abs(*t.deviation.statistic) < t.deviation.critical;
    t.deviation.detail = "P̄ = " + fixed(mean * 100.0, 2) +
                         "%，S = " + fixed(t.standardDeviation * 100.0, 2) +
                         "%；t = " + fixed(*t.deviation.statistic, 2) + "，临界值 t(" +
                         num::plainText(1.0 - alpha / 2.0) + ", " + std::to_string(t.n - 1) +
                         ") = " + fixed(t.deviation.critical, 2) +
                         "（显著性水平 α = " + num::plainText(alpha) + "，SL/T 247-2020）";

    t.se = count > 2 ? std::sqrt(raw / (n - 2.0)) : 0.0;
    t.randomUncertainty = 2.0 * t.se;
    for (std::size_t i = 0; i < count; ++i) {
        if (t.se > 0.0 && std::abs(deviations[i]) > 3.0 * t.se) {
            t.outliers.push_back(i);
        }
    }
    return t;
}

RatingFit fitRating(std::span<const RatingPoint> points, RatingForm form, double alpha) {
    RatingFit fit;
    const std::size_t needed = form == RatingForm::Cubic ? 5 : 4;
    if (points.size() < needed) {
        fit.problem = "测点只有 " + std::to_string(points.size()) + " 个，" +
                      std::string(ratingFormName(form)) + "至少需要 " + std::to_string(needed) +
                      " 个";
        return fit;
    }
    double lowest = points.front().stage;
    double highest = lowest;
    for (const RatingPoint& p : points) {
        if (!std::isfinite(p.stage) || !std::isfinite(p.discharge) || p.discharge <= 0.0) {
            fit.problem = "测点“" + p.label + "”的水位或流量不可用（流量须大于 0）";
            return fit;
        }
        lowest = std::min(lowest, p.stage);
        highest = std::max(highest, p.stage);
    }
    if (highest - lowest < 0.005) {
        fit.problem = "各测点水位相同，无法定线";
        return fit;
    }
    if (form == RatingForm::Power) {
        fit.curve = fitPower(points);
    } else {
        const auto curve = fitPolynomial(points, form == RatingForm::Quadratic ? 2 : 3);
        if (!curve) {
            fit.problem = "多项式方程组奇异，无法定线";
            return fit;
        }
        fit.curve = *curve;
    }
    std::vector<double> stages;
    for (const RatingPoint& p : points) {
        const double q = fit.curve.discharge(p.stage);
        if (!(q > 0.0)) {
            fit.problem = "曲线在测点“" + p.label + "”处的流量不为正，无法计算偏离";
            fit.deviations.clear();
            return fit;
        }
        fit.deviations.push_back((p.discharge - q) / q);
        stages.push_back(p.stage);
    }
    fit.tests = ratingTests(stages, fit.deviations, alpha);
    return fit;
}

namespace {

// SL/T 247-2020 水文资料整编规范, 定线精度指标 of a single curve, as commonly quoted; the
// official table was not found (the 三类 systematic limit is quoted as ±1 % or ±2 %: the
// stricter is taken).
constexpr std::string_view kIndexSource =
    "经验值：常见引用为 SL/T 247-2020 的定线精度指标，原文未能核对";
constexpr PrecisionIndex kIndices[] = {
    {1.0, 8.0, kIndexSource}, {1.0, 10.0, kIndexSource}, {1.0, 11.0, kIndexSource}};

} // namespace

PrecisionIndex precisionIndex(StationClass station) {
    return kIndices[static_cast<int>(station) - 1];
}

std::string className(StationClass station) {
    return station == StationClass::First    ? "一类精度站"
           : station == StationClass::Second ? "二类精度站"
                                             : "三类精度站";
}

std::string RatingVerdict::headline() const {
    return std::string(adequate ? "合格" : "不合格") + "（" + className(station) + "）";
}

namespace {

// What the rating table says of the stages it leaves out: "水位 43.20–43.25 m 未列：...".
std::string omittedStages(const RatingCurve& curve,
                          const std::vector<std::pair<long long, long long>>& dry) {
    if (dry.empty()) {
        return {};
    }
    std::string stages;
    for (std::size_t k = 0; k < dry.size(); ++k) {
        const auto [low, high] = dry[k];
        stages += (k == 0 ? "" : "、") + num::fixedText(static_cast<double>(low) / 100.0, 2) +
                  (high == low ? "" : "–" + num::fixedText(static_cast<double>(high) / 100.0, 2));
    }
    std::string why = curve.form == RatingForm::Power
                          ? "关系线的断流水位 Z₀ = " + num::fixedText(curve.z0, 3) +
                                " m，此水位及以下无流量；流量不足 0.0005 m³/s 的水位也不列"
                          : "关系线在这些水位的流量为零、负值或不足 0.0005 m³/s";
    return "水位 " + stages + " m 未列：" + why;
}

} // namespace

RatingVerdict ratingVerdict(const RatingTests& tests, StationClass station) {
    RatingVerdict verdict;
    verdict.station = station;
    const PrecisionIndex index = precisionIndex(station);
    const double systematic = tests.meanDeviation * 100.0;
    const double random = tests.randomUncertainty * 100.0;
    if (std::abs(systematic) > index.systematic) {
        verdict.reasons.push_back("系统误差 " + num::fixedText(systematic, 2) + "% 超过 ±" +
                                  num::plainText(index.systematic) + "%（" +
                                  std::string(index.source) + "）");
    }
    if (random > index.random) {
        verdict.reasons.push_back("随机不确定度 " + num::fixedText(random, 2) + "% 超过 " +
                                  num::plainText(index.random) + "%（" + std::string(index.source) +
                                  "）");
    }
    for (const TestOutcome* t : {&tests.sign, &tests.run, &tests.deviation}) {
        if (!t->passed) {
            verdict.reasons.push_back(std::string(t->name) + "不通过");
        }
    }
    verdict.adequate = verdict.reasons.empty();
    return verdict;
}

bool listsFlow(const RatingCurve& curve, double z) {
    if (curve.form == RatingForm::Power && z <= curve.z0) {
        return false;
    }
    const double q = curve.discharge(z);
    return q > 0.0 && num::numberOf(num::yearbookText(q, num::Grade::Discharge)) > 0.0;
}

std::vector<RatingTableEntry> ratingTable(const RatingCurve& curve, double lowest, double highest,
                                          bool extend, std::string* omitted) {
    std::vector<RatingTableEntry> table;
    // Stages in centimetres stay far inside a long long; beyond them there is no table.
    constexpr double kLargestCentimetres = 1e15;
    const double span = extend ? std::max(kExtensionAbove, kExtensionBelow) + 1.0 : 1.0;
    if (!std::isfinite(lowest) || !std::isfinite(highest) || lowest > highest ||
        std::max(std::abs(lowest), std::abs(highest)) * 100.0 * span * 2.0 > kLargestCentimetres) {
        return table;
    }
    const long long first = static_cast<long long>(std::ceil(lowest * 100.0 - 1e-6));
    const long long last = static_cast<long long>(std::floor(highest * 100.0 + 1e-6));
    long long from = first;
    long long to = last;
    if (extend) {
        const double range = highest - lowest;
        from = static_cast<long long>(std::ceil((lowest - kExtensionBelow * range) * 100.0 - 1e-6));
        to = static_cast<long long>(std::floor((highest + kExtensionAbove * range) * 100.0 + 1e-6));
    }
    // The stages left out, as the first and last centimetre of each run; those at or below Z₀
    // in one step, however far the extension reaches below it.
    std::vector<std::pair<long long, long long>> dry;
    long long cm = from;
    if (curve.form == RatingForm::Power && std::isfinite(curve.z0) &&
        static_cast<double>(from) / 100.0 <= curve.z0) {
        long long wet = static_cast<long long>(std::floor(curve.z0 * 100.0));
        while (static_cast<double>(wet) / 100.0 <= curve.z0) {
            ++wet;
        }
        dry.emplace_back(from, std::min(wet, to + 1) - 1);
        cm = wet;
    }
    std::size_t walked = 0;
    for (; cm <= to && table.size() < kMostRatingTableRows && walked < kMostRatingTableRows; ++cm) {
        const double z = static_cast<double>(cm) / 100.0;
        if (!listsFlow(curve, z)) {
            if (!dry.empty() && dry.back().second == cm - 1) {
                dry.back().second = cm;
            } else {
                dry.emplace_back(cm, cm);
            }
            ++walked;
            continue;
        }
        table.push_back({z, num::yearbookText(curve.discharge(z), num::Grade::Discharge),
                         cm < first || cm > last});
    }
    if (omitted != nullptr) {
        *omitted = omittedStages(curve, dry);
        if (walked >= kMostRatingTableRows && cm <= to) {
            *omitted += "；水位 " + num::fixedText(static_cast<double>(cm) / 100.0, 2) +
                        " m 及以上未列（关系线无流量的水位超过 " +
                        std::to_string(kMostRatingTableRows) + " 个）";
        }
    }
    return table;
}

} // namespace tarnelo::station
