#include "files/record_header.hpp"
#include "support/program_folder.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

using testing::expectedBytes;

std::array<std::string, 39> filledValues() {
    return {"清溪河龙潭站",
            "2013年5月14日 08:30-09:45",
            "晴",
            "东南 2级",
            "LS25-1 No.0417",
            "V= 0.6793 N/T+ 0.0033",
            "12",
            "0.5",
            "25kg",
            "JD-3 No.22",
            "+0.4",
            "机动船",
            "基本水尺断面上游 50 m",
            "101.36",
            "",
            "LS25-1",
            "",
            "",
            "",
            "",
            "P1",
            "101.32",
            "101.40",
            "95.000",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "  水位平稳 ",
            "张三、李四",
            "0042"};
}

void expectAllMissing(const RecordHeader& header) {
    for (std::size_t l = 0; l < 4; ++l) {
        ASSERT_EQ(header[l].size(), kRecordHeaderLineFields[l]) << "line " << l + 1;
        for (const auto& field : header[l]) {
            EXPECT_EQ(field, "*");
            EXPECT_FALSE(hasValue(field));
        }
    }
}

TEST(RecordHeaderBytes, TheBlankHeaderIsThe84ByteShape) {
    EXPECT_EQ(kDefaultRecordHeader.size(), 84u);
    EXPECT_EQ(std::string(kDefaultRecordHeader), expectedBytes("header-default.dat"));
    expectAllMissing(parseRecordHeader(kDefaultRecordHeader));
}

TEST(RecordHeaderBytes, AllEmptyValuesGiveThe80ByteShapeAndReadBackEmpty) {
    const std::string bytes = recordHeaderBytes({}).value();
    EXPECT_EQ(bytes.size(), 80u);
    EXPECT_EQ(bytes, expectedBytes("header-empty.dat"));
    expectAllMissing(parseRecordHeader(bytes));
}

TEST(RecordHeaderBytes, FilledValuesGoInGbkAndReadBackVerbatim) {
    const auto values = filledValues();
    const std::string bytes = recordHeaderBytes(values).value();
    EXPECT_EQ(bytes, expectedBytes("header-filled.dat"));
    const RecordHeader header = parseRecordHeader(bytes);
    std::size_t index = 0;
    for (int line = 1; line <= 4; ++line) {
        for (std::size_t pos = 1; pos <= kRecordHeaderLineFields[line - 1]; ++pos, ++index) {
            const std::string want = values[index].empty() ? "*" : values[index];
            EXPECT_EQ(headerField(header, line, static_cast<int>(pos)), want) << index;
        }
    }
    // Spaces around a value survive; fields beyond the listed ones read as missing.
    EXPECT_EQ(headerField(header, 4, 1), "  水位平稳 ");
    EXPECT_EQ(headerField(header, 1, 13), "*");
    EXPECT_EQ(headerField(header, 5, 1), "*");
    EXPECT_EQ(headerField(header, 0, 1), "*");
}

TEST(RecordHeaderBytes, AStarValueIsIndistinguishableFromNoValue) {
    std::array<std::string, 39> values{};
    values[0] = "*";
    EXPECT_EQ(recordHeaderBytes(values), expectedBytes("header-empty.dat"));
}

TEST(RecordHeaderBytes, ShortAndDamagedBytesReadAsMissingValues) {
    expectAllMissing(parseRecordHeader(""));
    const RecordHeader header = parseRecordHeader("\xC7\xE5,\xFF\r\n\r\nA");
    EXPECT_EQ(headerField(header, 1, 1), "清");
    EXPECT_EQ(headerField(header, 1, 2), "\xEF\xBF\xBD");
    EXPECT_EQ(headerField(header, 1, 3), "*");
    EXPECT_EQ(header[1].size(), 8u);
    EXPECT_EQ(headerField(header, 2, 1), "*");
    EXPECT_EQ(headerField(header, 3, 1), "A");
    EXPECT_EQ(headerField(header, 4, 3), "*");
    EXPECT_EQ(header[3].size(), 3u);
}

TEST(RecordHeaderBytes, ValuesThatWouldBreakTheLayoutAreRefused) {
    auto values = filledValues();
    values[21] = "101,32";
    const auto problem = recordHeaderProblem(values);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("基本水尺的水尺读数（始）"), std::string::npos) << *problem;
    EXPECT_FALSE(recordHeaderBytes(values));

    values[21] = "101.32";
    values[25] = "95,1";
    EXPECT_NE(recordHeaderProblem(values)->find("测流水尺、自记台的水尺读数（始）"),
              std::string::npos);
    values[25] = "";
    values[36] = "第一行\n第二行";
    EXPECT_NE(recordHeaderProblem(values)->find("说明"), std::string::npos);
    EXPECT_FALSE(recordHeaderBytes(values));

    values[36] = "天气 ☀";
    EXPECT_NE(recordHeaderProblem(values)->find("☀"), std::string::npos);
    EXPECT_FALSE(recordHeaderBytes(values));
}

} // namespace
} // namespace tarnelo
