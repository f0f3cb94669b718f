// The record header of one measurement as a typed value: the 39 fields the 更多 dialog shows,
// by name, and the bytes a file carried that this program does not know, so that a header
// read from a file and saved unchanged gives the same bytes.
#pragma once

#include "files/record_header.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

// One gauge of the third line: its number, its readings at the start and the end, and its zero.
struct GaugeReading {
    std::string number;
    std::string start;
    std::string end;
    std::string zero;

    bool operator==(const GaugeReading&) const = default;
};

// The fields as texts; an empty text is a field without a value ("*" in the file).
struct HeaderFields {
    // Line 1.
    std::string 测站名称;
    std::string 施测时间;
    std::string 天气;
    std::string 风力风向;
    std::string 流速仪牌号;
    std::string 流速仪公式;
    std::string 检定后使用次数;
    std::string 轴至铅鱼底距离;
    std::string 铅鱼重量;
    std::string 停表牌号;
    std::string 十分钟误差;
    std::string 渡河设备;
    // Line 2.
    std::string 断面位置;
    std::string 相应水位;
    std::string 死水面积;
    std::string 流速仪型号;
    std::string 比降水尺间距;
    std::string 水位差;
    std::string 水面比降;
    std::string 糙率;
    // Line 3: 基本水尺, 测流水尺（自记台）, 上比降水尺, 下比降水尺.
    std::array<GaugeReading, 4> gauges;
    // Line 4.
    std::string 说明;
    std::string 施测;
    std::string 施测号数;

    bool operator==(const HeaderFields&) const = default;

    // Field `index` (0 to 38) in file order.
    std::string& field(std::size_t index);
    const std::string& field(std::size_t index) const;
    // The 39 texts in file order, and the fields made of them.
    std::array<std::string, kRecordHeaderFields> values() const;
    static HeaderFields fromValues(const std::array<std::string, kRecordHeaderFields>& values);
};

// The header a measurement carries: its fields and what its file held beyond them.
class MeasurementHeader {
  public:
    MeasurementHeader() = default;
    explicit MeasurementHeader(HeaderFields fields) : fields_(std::move(fields)) {}

    // A header part as a file holds it (GBK, lines by CR LF, fields by ","). Whatever bytes
    // follow the fourth line are kept; read back unchanged it gives `bytes` again.
    static MeasurementHeader fromBytes(std::string_view bytes);

    const HeaderFields& fields() const { return fields_; }
    void setFields(HeaderFields fields) { fields_ = std::move(fields); }

    // The bytes to save: the bytes read when the fields are as read, else the fields in the
    // saved shape (recordHeaderText) followed by the unknown bytes. std::nullopt when a field
    // cannot be carried (recordHeaderProblem says why).
    std::optional<std::string> bytes() const;
    // The header as the form, the picture's title and the proposed names read it ("*" for
    // fields without a value).
    RecordHeader lines() const;
    // The bytes after the fourth line that this program does not know (with their CR LF).
    const std::string& unknownBytes() const { return unknown_; }

    // Same fields and same unknown bytes: what the user would lose or save.
    bool operator==(const MeasurementHeader& other) const {
        return fields_ == other.fields_ && unknown_ == other.unknown_;
    }

  private:
    HeaderFields fields_;
    std::string unknown_;
    // The bytes read and the fields they gave, while the fields are unchanged.
    std::optional<std::string> read_;
    HeaderFields readFields_;
};

} // namespace tarnelo
