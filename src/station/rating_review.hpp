// A reviewer's reading of a station's stage–discharge relation: which gaugings the user left
// out and why, outliers found on a scale they do not inflate, rising and falling stages, and
// whether the deviations betray a loop or a shift in time. The verdict weighs all of it.
#pragma once

#include "station/rating.hpp"
#include "station/station_table.hpp"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::station {

// Whether the stage rose, fell or stayed during a gauging, by its base-gauge readings.
enum class Trend { Unknown, Rising, Falling, Steady };
// A change of the base gauge's reading of 2 cm or more is a rising or falling stage (经验值).
inline constexpr double kTrendThreshold = 0.02;
Trend trendOf(std::optional<double> stageChange);
// "涨", "落", "平" or empty.
std::string_view trendName(Trend trend);

// A gauging the reviewer has decided on, named by its label, with the reason: left out of the
// fit, or (kept) reviewed and kept in it, so that an outlier among them counts as handled.
// The reason is shared by every gauging one decision names: "1,2,…,3000:原因" holds the text
// once, however many labels it names and wherever the decision is kept.
class Reason {
  public:
    Reason() = default;
    Reason(std::string text) : text_(std::make_shared<const std::string>(std::move(text))) {}
    Reason(const char* text) : Reason(std::string(text)) {}
    bool empty() const { return !text_ || text_->empty(); }
    const std::string& text() const;
    operator const std::string&() const { return text(); }
    friend bool operator==(const Reason& a, std::string_view b) { return a.text() == b; }
    friend std::string operator+(std::string a, const Reason& b) { return a += b.text(); }
    friend std::string operator+(const char* a, const Reason& b) { return a + b.text(); }

  private:
    std::shared_ptr<const std::string> text_;
};

struct Exclusion {
    std::string label;
    Reason reason;
    bool kept = false;
};

// Reads "8,27:原因" into one exclusion per label (each kept, with `kept`); empty labels or no
// reason give std::nullopt and why in `problem`.
std::optional<std::vector<Exclusion>> parseExclusions(std::string_view text, std::string& problem,
                                                      bool kept = false);

struct Outlier {
    std::size_t point = 0; // index into the points
    // Relative deviation from the curve fitted without the outliers; infinite where that curve
    // gives no discharge (a stage at or below its Z₀).
    double deviation = 0.0;
    // The likely reason the file shows (the gauging's doubts), or empty.
    std::string likely;
};

// Welch's t-test of the mean deviations of rising against falling gaugings.
struct LoopTest {
    bool ran = false;
    bool fires = false;
    std::vector<std::size_t> rising; // indexes into the points
    std::vector<std::size_t> falling;
    double risingMean = 0.0; // mean relative deviation
    double fallingMean = 0.0;
    double statistic = 0.0;
    double critical = 0.0;
    double degreesOfFreedom = 0.0;
    std::string detail;
};
inline constexpr double kLoopAlpha = 0.05;

// The run test (as 适线检验) over the deviations in time order.
struct DriftTest {
    bool ran = false;
    bool fires = false;
    int changes = 0;
    double statistic = 0.0;
    // The longest run of deviations of one sign in time order, as indexes into the points.
    std::vector<std::size_t> longestRun;
    // The gaugings before and after the time that parts their mean deviations most, in time
    // order, with those means (when the test fires).
    std::vector<std::size_t> before;
    std::vector<std::size_t> after;
    double beforeMean = 0.0;
    double afterMean = 0.0;
    std::string detail;
};

struct RatingReview {
    // The fit over the points taking part (all but the excluded); its deviations and tests
    // follow `used`.
    RatingFit fit;
    std::vector<std::size_t> used;
    // Per point: why the user left it out, or empty.
    std::vector<Reason> excluded;
    // Per point: why the reviewer kept it in the fit after review, or empty.
    std::vector<Reason> kept;
    // Per point: the relative deviation from fit.curve (NaN without a curve).
    std::vector<double> deviations;
    std::vector<Trend> trends;
    // Found by refitting without the worst point beyond 3 S_e, again and again, until no point
    // of the rest lies beyond 3 S_e of their own curve.
    std::vector<Outlier> outliers;
    // S_e of the curve fitted without the outliers; with a loop, of the deviations from their
    // limb's mean (loopAwareScale).
    double cleanSe = 0.0;
    bool loopAwareScale = false;
    LoopTest loop;
    DriftTest drift;

    bool isOutlier(std::size_t point) const;
    // An outlier the reviewer has not kept (an excluded point is no outlier).
    bool isUnhandledOutlier(std::size_t point) const;
};

RatingReview reviewRating(std::span<const RatingPoint> points,
                          std::span<const Exclusion> exclusions, RatingForm form,
                          double alpha = 0.10);

// The verdict over the review: 合格 only when the class's precision indices are met, the
// three tests pass, no outlier is left unhandled and neither a loop nor a shift shows. Notes
// name the gaugings left out and why.
RatingVerdict ratingVerdict(const RatingReview& review, std::span<const RatingPoint> points,
                            StationClass station);

// An outlier's deviation as the reviewer reads it: "+25.5%", or why there is none.
std::string deviationText(double fraction);

// Labels made distinct: a label borne by several points becomes "27#1", "27#2", in order.
void distinguishLabels(std::vector<RatingPoint>& points);

// The rows of the table that have a stage and a discharge, labelled by 施测号数 (the file's
// name without one; repeated numbers told apart), with the 95 % uncertainty of IVE (ISO 748
// where IVE has none), the time, the base gauge's change and the row's doubts.
std::vector<RatingPoint> ratingPoints(const StationTable& table);

// Why the exclusions cannot be applied to the points (a label no point bears, a repeated number
// named without its "#k", a point both left out and kept), or empty.
std::string exclusionProblem(std::span<const RatingPoint> points,
                             std::span<const Exclusion> exclusions);

} // namespace tarnelo::station
