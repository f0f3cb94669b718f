#include "station/measured_time.hpp"

#include <gtest/gtest.h>

namespace tarnelo::station {
namespace {

LocalTime at(int y, int m, int d, int h = -1, int min = -1) {
    return {y, m, d, h, min};
}

TEST(MeasuredTime, ReadsTheFormsSeenOnRecordForms) {
    struct Case {
        std::string_view text;
        std::optional<int> year;
        LocalTime start;
        LocalTime end;
        bool yearInText;
    };
    const Case cases[] = {
        {"2024年7月12日8时30分至9时45分", {}, at(2024, 7, 12, 8, 30), at(2024, 7, 12, 9, 45), true},
        {"2024-07-12 08:30~09:45", {}, at(2024, 7, 12, 8, 30), at(2024, 7, 12, 9, 45), true},
        {"2013-06-02 15:10～15:35", {}, at(2013, 6, 2, 15, 10), at(2013, 6, 2, 15, 35), true},
        {"7月12日 8:30-9:45", 2024, at(2024, 7, 12, 8, 30), at(2024, 7, 12, 9, 45), false},
        {"2024年7月12日", {}, at(2024, 7, 12), at(2024, 7, 12), true},
        {"2024-07-12", {}, at(2024, 7, 12), at(2024, 7, 12), true},
        {"２０２４年７月１２日８时至１０时",
         {},
         at(2024, 7, 12, 8, 0),
         at(2024, 7, 12, 10, 0),
         true},
        // Past midnight without a date of its own: the next day, across a year's end too.
        {"2024年12月31日23时40分至0时35分",
         {},
         at(2024, 12, 31, 23, 40),
         at(2025, 1, 1, 0, 35),
         true},
        {"2024年7月12日22时至13日1时10分",
         {},
         at(2024, 7, 12, 22, 0),
         at(2024, 7, 13, 1, 10),
         true},
        {"2024/7/12 8点30分到9点", {}, at(2024, 7, 12, 8, 30), at(2024, 7, 12, 9, 0), true},
        {"2024年2月29日", {}, at(2024, 2, 29), at(2024, 2, 29), true},
    };
    for (const Case& c : cases) {
        const MeasuredTimeRead read = readMeasuredTime(c.text, c.year);
        ASSERT_TRUE(read.time) << c.text << ": " << read.problem;
        EXPECT_EQ(read.time->start, c.start) << c.text;
        EXPECT_EQ(read.time->end, c.end) << c.text;
        EXPECT_EQ(read.time->yearInText, c.yearInText) << c.text;
    }
    EXPECT_EQ(isoText(at(2024, 7, 2, 8, 5)), "2024-07-02 08:05");
    EXPECT_EQ(isoText(at(2024, 7, 2)), "2024-07-02");
}

TEST(MeasuredTime, ReportsWhatItCannotReadInsteadOfGuessing) {
    const std::string_view bad[] = {
        "",                                 // empty
        "七月十二日",                       // numerals in words
        "7月12日 8:30-9:45",                // no year anywhere
        "2023年2月29日",                    // no such day
        "2024年13月1日",                    // no such month
        "2024-07-12 25:10~26:00",           // no such hour
        "2024-07-12 08:30~",                // an end without a time
        "2024-07-12 8:3~9:45",              // minutes need two digits
        "2024年7月12日8时30分至7月11日9时", // ends before it starts
        "2024-07-12 08:30~09:45 晴",        // trailing words
        "12/07/2024",                       // day first is not read
        "上午",
    };
    for (const std::string_view text : bad) {
        const MeasuredTimeRead read = readMeasuredTime(text);
        EXPECT_FALSE(read.time) << text;
        EXPECT_NE(read.problem.find("施测时间"), std::string::npos) << text;
    }
}

} // namespace
} // namespace tarnelo::station
