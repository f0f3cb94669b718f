// The record header as a typed value: a file's header part saved back byte for byte, and the
// fields in their named places.
#include "document/measurement_header.hpp"

#include "files/gbk.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

TEST(MeasurementHeader, AFilesBytesComeBackAsReadAndEditsKeepWhatFollowsTheFields) {
    // The default shape (a "," after every field) and a later version's fifth line.
    const std::string read = std::string(kDefaultRecordHeader) + "\r\nV2,extra";
    const MeasurementHeader header = MeasurementHeader::fromBytes(read);
    EXPECT_EQ(header.bytes(), read);
    EXPECT_EQ(header.unknownBytes(), "\r\nV2,extra");
    EXPECT_EQ(header.fields(), HeaderFields{});
    EXPECT_EQ(headerField(header.lines(), 4, 3), "*");

    MeasurementHeader edited = header;
    HeaderFields fields = edited.fields();
    fields.测站名称 = "黄河站";
    fields.gauges[0].start = "50.12";
    fields.施测号数 = "7";
    edited.setFields(fields);
    const auto name = utf8ToGbk("黄河站");
    ASSERT_TRUE(name);
    EXPECT_EQ(edited.bytes(), *name + ",*,*,*,*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*\r\n"
                                      "*,50.12,*,*,*,*,*,*,*,*,*,*,*,*,*,*\r\n*,*,7\r\nV2,extra");
    EXPECT_EQ(headerField(edited.lines(), 1, 1), "黄河站");
    EXPECT_EQ(headerField(edited.lines(), 3, 2), "50.12");
    EXPECT_EQ(MeasurementHeader::fromBytes(*edited.bytes()).fields(), fields);

    // Set back as read, the header gives the bytes read again.
    edited.setFields(header.fields());
    EXPECT_EQ(edited.bytes(), read);

    // A field that would break the layout cannot be saved.
    fields.天气 = "晴,风";
    edited.setFields(fields);
    EXPECT_FALSE(edited.bytes());
}

TEST(MeasurementHeader, FieldsSitInFileOrderAndShortOrOddPartsReadAsEmpty) {
    std::array<std::string, kRecordHeaderFields> values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = std::to_string(i);
    }
    const HeaderFields fields = HeaderFields::fromValues(values);
    EXPECT_EQ(fields.渡河设备, "11");
    EXPECT_EQ(fields.断面位置, "12");
    EXPECT_EQ(fields.糙率, "19");
    EXPECT_EQ(fields.gauges[1].number, "24");
    EXPECT_EQ(fields.gauges[3].zero, "35");
    EXPECT_EQ(fields.说明, "36");
    EXPECT_EQ(fields.施测号数, "38");
    EXPECT_EQ(fields.values(), values);

    const MeasurementHeader shortPart = MeasurementHeader::fromBytes("S1,2026\r\n");
    EXPECT_EQ(shortPart.fields().测站名称, "S1");
    EXPECT_EQ(shortPart.fields().施测时间, "2026");
    EXPECT_EQ(shortPart.fields().天气, "");
    EXPECT_EQ(shortPart.bytes(), "S1,2026\r\n");
    EXPECT_TRUE(MeasurementHeader::fromBytes("").bytes()->empty());
    EXPECT_EQ(MeasurementHeader().bytes()->size(), 80U) << "the saved shape of no values";
}

} // namespace
} // namespace tarnelo
