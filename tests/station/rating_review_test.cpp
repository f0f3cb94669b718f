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
