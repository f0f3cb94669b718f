// The stage–discharge relation (水位流量关系) of a station's gaugings: the fitted curve, the
// relative deviations of the gaugings from it, and the three tests of the data-compilation code
// (SL/T 247-2020 水文资料整编规范) with 系统误差 and 随机不确定度.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::station {

struct RatingPoint {
    double stage = 0.0;     // Z, m
    double discharge = 0.0; // Q, m³/s
    // 施测号数 or another name for the point in pictures and lists.
    std::string label;
    // Expanded uncertainty (95 %) of the discharge in percent, when known.
    std::optional<double> uncertainty;
    // The start of the gauging (LocalTime::minutes), for time order; 0 when unknown.
    long long minutes = 0;
    // The base gauge's reading at the end less the one at the start (m), when known.
    std::optional<double> stageChange;
    // What the file makes doubtful about the gauging, for naming an outlier's likely reason.
    std::vector<std::string> doubts;
    // The gauging's file, when the point comes from one.
    std::filesystem::path file;
};

// A point of its stage, discharge, label and uncertainty alone.
inline RatingPoint ratingPoint(double stage, double discharge, std::string label,
                               std::optional<double> uncertainty = std::nullopt) {
    RatingPoint p;
    p.stage = stage;
    p.discharge = discharge;
    p.label = std::move(label);
    p.uncertainty = uncertainty;
    return p;
}

enum class RatingForm {
    Power,     // Q = a (Z − Z₀)^b
    Quadratic, // Q = c₀ + c₁ Z + c₂ Z²
    Cubic,     // Q = c₀ + c₁ Z + c₂ Z² + c₃ Z³
};
std::string_view ratingFormName(RatingForm form);

struct RatingCurve {
    RatingForm form = RatingForm::Power;
    double a = 0.0;
    double b = 0.0;
    double z0 = 0.0;
    // Whether the search for Z₀ ended on a bound of its interval.
    bool z0AtBound = false;
    // Polynomial coefficients in (Z − centre), lowest power first.
    std::vector<double> coefficients;
    double centre = 0.0;

    // Q of the curve at stage z; for the power form 0 at and below Z₀.
    double discharge(double z) const;
    // "Q = 12.35 (Z − 43.210)^1.672" or the polynomial written out in Z.
    std::string equation() const;
};

struct TestOutcome {
    std::string_view name; // "符号检验", "适线检验", "偏离数值检验"
    // The statistic (u, U or t); empty when the test passes without computing it.
    std::optional<double> statistic;
    double critical = 0.0;
    bool passed = false;
    // The count the test rests on (positive deviations, sign changes), or n − 1 degrees of
    // freedom for the deviation test.
    double count = 0.0;
    // How the verdict was reached, in Chinese, with the source of the critical value.
    std::string detail;
};

struct RatingTests {
    int n = 0;
    TestOutcome sign;
    TestOutcome run;
    TestOutcome deviation;
    double alpha = 0.10;            // significance level of the deviation test
    double meanDeviation = 0.0;     // P̄, the 系统误差 (as a fraction)
    double standardDeviation = 0.0; // S of the deviation test
    double se = 0.0;                // S_e = √(Σ P² / (n − 2))
    double randomUncertainty = 0.0; // 2 S_e
    // Indexes of the points whose deviation exceeds 3 S_e.
    std::vector<std::size_t> outliers;
};

// The three tests over relative deviations P_i, with the stages that order the run test.
RatingTests ratingTests(std::span<const double> stages, std::span<const double> deviations,
                        double alpha);

struct RatingFit {
    RatingCurve curve;
    // P_i = (Q_i − Q_ci) / Q_ci for each point, in input order.
    std::vector<double> deviations;
    RatingTests tests;
    // Why no curve could be fitted; empty when fitted.
    std::string problem;
};

// Fits the curve of the given form by least squares (on log Q for the power form, with Z₀
// searched below the lowest gauged stage) and runs the tests. At least 4 points (5 for the
// cubic) with distinct stages and positive discharges are needed.
RatingFit fitRating(std::span<const RatingPoint> points, RatingForm form, double alpha = 0.10);

// The station's class of precision (一类、二类、三类精度水文站), which sets the precision indices
// a single stage–discharge curve must meet.
enum class StationClass { First = 1, Second = 2, Third = 3 };

// 定线精度指标 of a single curve (current-meter gaugings) for a class: the largest 系统误差 and
// 随机不确定度 (95 %), in per cent, with their source.
struct PrecisionIndex {
    double systematic;
    double random;
    std::string_view source;
};
PrecisionIndex precisionIndex(StationClass station);
// "二类精度站".
std::string className(StationClass station);

// The verdict on a single curve: 合格 only when its 系统误差 and 随机不确定度 are within the
// class's indices and the three tests pass; the reasons say what fails, in Chinese.
struct RatingVerdict {
    bool adequate = false;
    StationClass station = StationClass::Second;
    std::vector<std::string> reasons;
    // What the reader must know that is no failure (gaugings left out, and why).
    std::vector<std::string> notes;
    // "合格" or "不合格", with the class: "不合格（二类精度站）".
    std::string headline() const;
};
RatingVerdict ratingVerdict(const RatingTests& tests, StationClass station);

// The two-sided critical value t(1 − α/2, ν) of Student's distribution.
double studentCritical(double alpha, int degreesOfFreedom);

// The rating table: Q for every 0.01 m of stage from the lowest to the highest gauged stage
// (both rounded inward to the centimetre), as the yearbook's figures rounded once from the
// curve; with `extend`, also beyond them up to the extension limits, each such entry marked.
// A stage where the curve gives no flow to the table's precision (at or below Z₀, a polynomial
// at or below zero, or less than the last decimal shown) has no entry: a table never lists a
// flow of 0 nor a stage the curve has run dry at.
struct RatingTableEntry {
    double stage;
    std::string discharge;
    bool extended = false;
};
// At most kMostRatingTableRows entries (1000 m of stage): a longer table stops there, and
// whoever shows it says where. A stage range that is not finite gives no entries. omitted, when
// given, is told in Chinese which stages of the range have no entry and why (empty when none).
inline constexpr std::size_t kMostRatingTableRows = 100000;
std::vector<RatingTableEntry> ratingTable(const RatingCurve& curve, double lowest, double highest,
                                          bool extend = false, std::string* omitted = nullptr);
// Whether the rating table lists a flow at stage z: above Z₀, and positive to its last decimal.
bool listsFlow(const RatingCurve& curve, double z);

// How far a curve may be extended beyond the year's gauged stages: a share of the gauged range
// above the highest and below the lowest gauging.
inline constexpr double kExtensionAbove = 0.30;
inline constexpr double kExtensionBelow = 0.10;
inline constexpr std::string_view kExtensionSource =
    "高水外延不超过当年实测水位变幅的 30%，低水外延不超过 10%（经验值：常见引用为 SL/T "
    "247-2020 的规定，原文未能核对）";

} // namespace tarnelo::station
