#include "station/rating_review.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace tarnelo::station {
namespace {

// A year of 40 gaugings from Q = 20 (Z − 100)^1.7 with 3.5 % scatter, as a reviewer would be
// handed it: a July flood loop (four gaugings on the rising limb 6–13 % high, four on the falling
// limb 5–7 % low), three gross errors (+22 %, −17 %, +30 %) and one 相应水位 typed a metre low.
struct Year {
    std::vector<RatingPoint> points;
    std::vector<std::string> gross;  // labels of the gross errors
    std::string slip;                // label of the stage slip
    std::vector<std::string> rising; // the loop's limbs
    std::vector<std::string> falling;
};

Year makeYear(std::uint32_t seed) {
    Year year;
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.035);
    const double loop[] = {0.06, 0.09, 0.13, 0.10, -0.05, -0.07, -0.06, -0.05};
    for (int i = 0; i < 40; ++i) {
        RatingPoint p;
        p.label = std::to_string(i + 1);
        p.minutes = 1'000'000 + 8'000LL * i; // about every five and a half days
        const bool inLoop = i >= 20 && i < 28;
        // Stages wander over the year; the flood rises to 103.9 m and falls back.
        p.stage = inLoop ? 101.8 + 2.1 * std::sin(3.14159 * (i - 19.5) / 8.0)
                         : 100.5 + 3.3 * std::abs(std::sin(0.71 * i + 0.4));
        double factor = 1.0 + noise(rng);
        p.stageChange = 0.0;
        if (inLoop) {
            factor = 1.0 + loop[i - 20] + 0.01 * noise(rng);
            p.stageChange = i < 24 ? 0.25 : -0.20;
            (i < 24 ? year.rising : year.falling).push_back(p.label);
        }
        p.discharge = 20.0 * std::pow(p.stage - 100.0, 1.7) * factor;
        year.points.push_back(p);
    }
    const std::pair<int, double> gross[] = {{5, 0.22}, {11, -0.17}, {33, 0.30}};
    for (const auto& [i, error] : gross) {
        RatingPoint& p = year.points[static_cast<std::size_t>(i)];
        p.discharge = 20.0 * std::pow(p.stage - 100.0, 1.7) * (1.0 + error);
        year.gross.push_back(p.label);
    }
    RatingPoint& slipped = year.points[15];
    slipped.stage -= 1.0;
    slipped.doubts.push_back("相应水位与基本水尺读数相差 1.00 m");
    year.slip = slipped.label;
    return year;
}

std::vector<std::string> labels(const RatingReview& review, const std::vector<RatingPoint>& points,
                                const std::vector<std::size_t>& which) {
    std::vector<std::string> out;
    for (const std::size_t i : which) {
        out.push_back(points[i].label);
    }
    (void)review;
    return out;
}

bool mentions(const std::vector<std::string>& lines, std::string_view text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// The whole review of a doubtful year, then the same year with the named errors left out, over
// several draws of the scatter.
TEST(RatingReview, NamesEveryGrossErrorTheSlipAndTheLoop) {
    for (const std::uint32_t seed : {1u, 7u, 2024u, 31337u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Year year = makeYear(seed);
        const RatingReview review = reviewRating(year.points, {}, RatingForm::Power);
        ASSERT_TRUE(review.fit.problem.empty()) << review.fit.problem;

        std::vector<std::string> named;
        for (const Outlier& o : review.outliers) {
            named.push_back(year.points[o.point].label);
        }
        for (const std::string& label : year.gross) {
            EXPECT_NE(std::find(named.begin(), named.end(), label), named.end())
                << label << " " << review.loop.detail << " clean Se " << review.cleanSe;
        }
        ASSERT_NE(std::find(named.begin(), named.end(), year.slip), named.end());
        EXPECT_LE(named.size(), 5U);
        for (const Outlier& o : review.outliers) {
            if (year.points[o.point].label == year.slip) {
                EXPECT_EQ(o.likely, "相应水位与基本水尺读数相差 1.00 m");
            }
        }

        EXPECT_TRUE(review.loop.ran);
        EXPECT_TRUE(review.loop.fires) << review.loop.detail;
        EXPECT_EQ(labels(review, year.points, review.loop.rising), year.rising);
        EXPECT_EQ(labels(review, year.points, review.loop.falling), year.falling);
        EXPECT_GT(review.loop.risingMean, 0.04);
        EXPECT_LT(review.loop.fallingMean, -0.03);

        const RatingVerdict verdict = ratingVerdict(review, year.points, StationClass::Second);
        EXPECT_FALSE(verdict.adequate);
        EXPECT_TRUE(mentions(verdict.reasons, "随机不确定度"));
        EXPECT_TRUE(mentions(verdict.reasons, "突出点"));
        EXPECT_TRUE(mentions(verdict.reasons, "呈绳套"));
        EXPECT_TRUE(mentions(verdict.reasons, "涨水测点（21、22、23、24）"));
        EXPECT_TRUE(verdict.notes.empty());

        // Leave the named ones out, with reasons: they are kept with the reason and no longer
        // outliers; the loop alone still makes the single curve inadequate.
        std::string problem;
        auto exclusions = parseExclusions(year.gross[0] + "," + year.gross[1] + "，" +
                                              year.gross[2] + "：流速仪记录有误",
                                          problem);
        ASSERT_TRUE(exclusions) << problem;
        exclusions->push_back({year.slip, "相应水位抄错"});
        const RatingReview second = reviewRating(year.points, *exclusions, RatingForm::Power);
        EXPECT_EQ(second.used.size(), 36U);
        EXPECT_EQ(second.excluded[5], "流速仪记录有误");
        EXPECT_TRUE(second.outliers.empty());
        EXPECT_TRUE(second.loop.fires);
        const RatingVerdict after = ratingVerdict(second, year.points, StationClass::Second);
        EXPECT_FALSE(after.adequate);
        EXPECT_FALSE(mentions(after.reasons, "突出点"));
        EXPECT_TRUE(mentions(after.reasons, "呈绳套"));
        EXPECT_EQ(after.notes.size(), 4U);
        EXPECT_TRUE(mentions(after.notes, "施测号数 16 不参加定线：相应水位抄错"));
    }
}

// Outliers the reviewer keeps after review stay in the fit, count as handled and are listed with
// their reason; a point cannot be both left out and kept.
TEST(RatingReview, OutliersKeptAfterReviewAreHandledAndStayInTheFit) {
    const Year year = makeYear(7);
    std::string problem;
    auto decided = parseExclusions(year.gross[0] + "，" + year.gross[1] + "," + year.gross[2] +
                                       "：已核对原始记录，无误",
                                   problem, true);
    ASSERT_TRUE(decided) << problem;
    EXPECT_TRUE((*decided)[2].kept);
    decided->push_back({year.slip, "相应水位抄错"});
    const RatingReview review = reviewRating(year.points, *decided, RatingForm::Power);
    ASSERT_TRUE(review.fit.problem.empty()) << review.fit.problem;
    // Only the slip is left out; the kept ones take part and are still found as outliers.
    EXPECT_EQ(review.used.size(), 39U);
    EXPECT_EQ(review.kept[5], "已核对原始记录，无误");
    EXPECT_TRUE(review.excluded[5].empty());
    EXPECT_TRUE(review.isOutlier(5));
    EXPECT_FALSE(review.isUnhandledOutlier(5));
    const RatingVerdict verdict = ratingVerdict(review, year.points, StationClass::Second);
    for (const Outlier& o : review.outliers) {
        EXPECT_FALSE(review.isUnhandledOutlier(o.point)) << year.points[o.point].label;
    }
    EXPECT_FALSE(mentions(verdict.reasons, "突出点")) << verdict.reasons.front();
    EXPECT_TRUE(mentions(verdict.notes, "施测号数 6 为突出点（偏离 +"));
    EXPECT_TRUE(mentions(verdict.notes, "），经复核保留，参加定线：已核对原始记录，无误"));
    EXPECT_TRUE(mentions(verdict.notes, "施测号数 16 不参加定线：相应水位抄错"));
    EXPECT_EQ(verdict.notes.size(), 4U);

    // One of three kept: the other two are still unhandled.
    const RatingReview one = reviewRating(
        year.points, std::vector<Exclusion>{{year.gross[0], "核对无误", true}}, RatingForm::Power);
    const RatingVerdict partly = ratingVerdict(one, year.points, StationClass::Second);
    ASSERT_TRUE(mentions(partly.reasons, "突出点"));
    EXPECT_FALSE(mentions(partly.reasons, "施测号数 6（")) << partly.reasons.front();
    EXPECT_FALSE(mentions(partly.reasons, "、6（"));

    EXPECT_FALSE(parseExclusions("8", problem, true));
    EXPECT_NE(problem.find("保留的原因"), std::string::npos);
    const std::vector<Exclusion> both{{"6", "x"}, {"6", "y", true}};
    EXPECT_EQ(exclusionProblem(year.points, both),
              "施测号数 6 不能既不参加定线又复核保留，请只选一种");
}

// A shift in time: both periods are named with their mean deviations, and the verdict says how
// to fit each apart.
TEST(RatingReview, AShiftInTimeNamesBothPeriodsAndHowToFitThemApart) {
    std::vector<RatingPoint> points;
    for (int i = 0; i < 24; ++i) {
        RatingPoint p;
        p.stage = 100.5 + 3.0 * std::abs(std::sin(0.9 * i + 0.3));
        // The bed scoured in mid-year: 10 % less water at the same stage from the 13th on.
        const double wobble = 0.004 * std::sin(2.1 * i);
        p.discharge = 20.0 * std::pow(p.stage - 100.0, 1.7) * (i < 12 ? 1.05 : 0.95) + wobble;
        p.label = std::to_string(i + 1);
        p.minutes = 1'000'000 + 10'000LL * i;
        points.push_back(p);
    }
    const RatingReview review = reviewRating(points, {}, RatingForm::Power);
    ASSERT_TRUE(review.drift.fires) << review.drift.detail;
    ASSERT_EQ(review.drift.before.size(), 12U);
    EXPECT_EQ(points[review.drift.after.front()].label, "13");
    EXPECT_NEAR(review.drift.beforeMean, 0.05, 0.01);
    EXPECT_NEAR(review.drift.afterMean, -0.05, 0.01);
    const RatingVerdict verdict = ratingVerdict(review, points, StationClass::Second);
    ASSERT_TRUE(mentions(verdict.reasons, "偏离随时间系统变化"));
    EXPECT_TRUE(mentions(verdict.reasons, "以施测号数 13 为界，之前 12 次（施测号数 1、2、"));
    EXPECT_TRUE(mentions(verdict.reasons, "之后 12 次（施测号数 13、14、"));
    EXPECT_TRUE(mentions(verdict.reasons, "12）平均偏离 +5.1%，之后"));
    EXPECT_TRUE(mentions(verdict.reasons, "24）平均偏离 -4.8%，相差 9.9%；宜按两个时段分别定线"));
    EXPECT_TRUE(mentions(verdict.reasons, "tarnelo-cli rating 本年测验文件 --exclude "
                                          "13,14,15,16,17,18,19,20,21,22,23,24:后一时段另行定线"));
    EXPECT_TRUE(mentions(verdict.reasons, "--exclude 1,2,3,4,5,6,7,8,9,10,11,12:前一时段另行定线"));
}

// A sound year passes; the trend follows the base gauge by whole centimetres; the exclusion text
// is read strictly; repeated numbers are told apart.
TEST(RatingReview, SoundYearsPassAndInputsAreReadStrictly) {
    std::mt19937 rng(99);
    std::normal_distribution<double> noise(0.0, 0.03);
    std::vector<RatingPoint> points;
    for (int i = 0; i < 30; ++i) {
        RatingPoint p;
        p.stage = 100.5 + 0.1 * i;
        p.discharge = 20.0 * std::pow(p.stage - 100.0, 1.7) * (1.0 + noise(rng));
        p.label = std::to_string(i + 1);
        p.minutes = 1000 + i;
        p.stageChange = (i % 3 - 1) * 0.05;
        points.push_back(p);
    }
    const RatingReview review = reviewRating(points, {}, RatingForm::Power);
    EXPECT_TRUE(review.outliers.empty());
    EXPECT_TRUE(review.loop.ran);
    EXPECT_FALSE(review.loop.fires) << review.loop.detail;
    EXPECT_TRUE(review.drift.ran);
    EXPECT_FALSE(review.drift.fires) << review.drift.detail;
    EXPECT_TRUE(ratingVerdict(review, points, StationClass::Second).adequate);

    EXPECT_EQ(trendOf(0.02), Trend::Rising);
    EXPECT_EQ(trendOf(0.019999999), Trend::Rising); // 0.02 as computed from readings
    EXPECT_EQ(trendOf(-0.02), Trend::Falling);
    EXPECT_EQ(trendOf(0.01), Trend::Steady);
    EXPECT_EQ(trendOf(std::nullopt), Trend::Unknown);

    std::string problem;
    EXPECT_FALSE(parseExclusions("8,27", problem));
    EXPECT_NE(problem.find("原因"), std::string::npos);
    EXPECT_FALSE(parseExclusions("8,,27:x", problem));
    EXPECT_FALSE(parseExclusions("8:  ", problem));
    const auto read = parseExclusions(" 8 ,27#2 : 水位抄错 ", problem);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2U);
    EXPECT_EQ((*read)[1].label, "27#2");
    EXPECT_EQ((*read)[1].reason, "水位抄错");

    std::vector<RatingPoint> twice(3);
    twice[0].label = "27";
    twice[1].label = "28";
    twice[2].label = "27";
    distinguishLabels(twice);
    EXPECT_EQ(twice[0].label, "27#1");
    EXPECT_EQ(twice[1].label, "28");
    EXPECT_EQ(twice[2].label, "27#2");
}

// The points of a table: rows without a stage are not points, repeated numbers are told apart,
// and a gauging made otherwise than the station's usual carries that as a doubt.
TEST(RatingReview, PointsOfATableCarryWhatTheRowsMakeDoubtful) {
    StationTable table;
    for (int i = 0; i < 6; ++i) {
        TableRow row;
        row.number = i == 5 ? "2" : std::to_string(i + 1);
        row.file = "g" + std::to_string(i) + ".dat";
        row.stage.metres = 101.5 + 0.3 * i;
        row.results[0] = std::to_string(10 + 5 * i);
        row.verticals = i == 4 ? 3 : 11;
        row.velocityMode = i == 4;
        row.stageChange = 0.05;
        if (i == 3) {
            row.doubts = {"相应水位与基本水尺读数相差 1.00 m"};
        }
        table.rows.push_back(row);
    }
    table.rows[2].stage.metres.reset();
    const std::vector<RatingPoint> points = ratingPoints(table);
    ASSERT_EQ(points.size(), 5U);
    EXPECT_EQ(points[1].label, "2#1");
    EXPECT_EQ(points[4].label, "2#2");
    EXPECT_EQ(points[2].doubts, std::vector<std::string>{"相应水位与基本水尺读数相差 1.00 m"});
    ASSERT_EQ(points[3].doubts.size(), 2U);
    EXPECT_EQ(points[3].doubts[0], "测速垂线 3 条，不到多数测次（11 条）的一半（经验值）");
    EXPECT_EQ(points[3].doubts[1], "测速模式录入，与多数测次不同");
    EXPECT_TRUE(points[0].doubts.empty());
    EXPECT_EQ(points[3].file, "g4.dat");
    EXPECT_EQ(exclusionProblem(points, std::vector<Exclusion>{{"2", "x"}}),
              "施测号数 2 有多个测点（2#1、2#2），请写明是哪一个");
    EXPECT_EQ(exclusionProblem(points, std::vector<Exclusion>{{"3", "x"}}),
              "没有施测号数为 3 的定线测点");
    EXPECT_TRUE(exclusionProblem(points, std::vector<Exclusion>{{"2#2", "x"}}).empty());
}

} // namespace
} // namespace tarnelo::station
