#include "document/measurement_header.hpp"

#include "files/gbk.hpp"

namespace tarnelo {

namespace {

using Text = std::string HeaderFields::*;

// Lines 1, 2 and 4 in file order; line 3 (fields 20 to 35) is the four gauges.
constexpr std::array<Text, 20> kFirstLines{
    &HeaderFields::测站名称,       &HeaderFields::施测时间,
    &HeaderFields::天气,           &HeaderFields::风力风向,
    &HeaderFields::流速仪牌号,     &HeaderFields::流速仪公式,
    &HeaderFields::检定后使用次数, &HeaderFields::轴至铅鱼底距离,
    &HeaderFields::铅鱼重量,       &HeaderFields::停表牌号,
    &HeaderFields::十分钟误差,     &HeaderFields::渡河设备,
    &HeaderFields::断面位置,       &HeaderFields::相应水位,
    &HeaderFields::死水面积,       &HeaderFields::流速仪型号,
    &HeaderFields::比降水尺间距,   &HeaderFields::水位差,
    &HeaderFields::水面比降,       &HeaderFields::糙率};
constexpr std::array<Text, 3> kLastLine{&HeaderFields::说明, &HeaderFields::施测,
                                        &HeaderFields::施测号数};
constexpr std::array<std::string GaugeReading::*, 4> kGaugeItems{
    &GaugeReading::number, &GaugeReading::start, &GaugeReading::end, &GaugeReading::zero};
constexpr std::size_t kGaugeFirst = 20;
constexpr std::size_t kGaugeFields = 16;

// Where the fourth line ends: the bytes from there on are not the 39 fields'.
std::size_t endOfFourthLine(std::string_view bytes) {
    std::size_t at = 0;
    for (int line = 0; line < 3; ++line) {
        const std::size_t next = bytes.find("\r\n", at);
        if (next == std::string_view::npos) {
            return bytes.size();
        }
        at = next + 2;
    }
    const std::size_t end = bytes.find("\r\n", at);
    return end == std::string_view::npos ? bytes.size() : end;
}

} // namespace

std::string& HeaderFields::field(std::size_t index) {
    if (index < kGaugeFirst) {
        return this->*kFirstLines[index];
    }
    if (index < kGaugeFirst + kGaugeFields) {
        const std::size_t at = index - kGaugeFirst;
        return gauges[at / 4].*kGaugeItems[at % 4];
    }
    return this->*kLastLine[(index - kGaugeFirst - kGaugeFields) % kLastLine.size()];
}

const std::string& HeaderFields::field(std::size_t index) const {
    return const_cast<HeaderFields&>(*this).field(index);
}

std::array<std::string, kRecordHeaderFields> HeaderFields::values() const {
    std::array<std::string, kRecordHeaderFields> values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = field(i);
    }
    return values;
}

HeaderFields HeaderFields::fromValues(const std::array<std::string, kRecordHeaderFields>& values) {
    HeaderFields fields;
    for (std::size_t i = 0; i < values.size(); ++i) {
        fields.field(i) = values[i];
    }
    return fields;
}

MeasurementHeader MeasurementHeader::fromBytes(std::string_view bytes) {
    const std::size_t end = endOfFourthLine(bytes);
    const RecordHeader lines = parseRecordHeader(bytes.substr(0, end));
    HeaderFields fields;
    std::size_t index = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        for (std::size_t f = 0; f < kRecordHeaderLineFields[l]; ++f, ++index) {
            const std::string& text = lines[l][f];
            fields.field(index) = hasValue(text) ? text : std::string();
        }
    }
    MeasurementHeader header(fields);
    header.unknown_ = std::string(bytes.substr(end));
    header.read_ = std::string(bytes);
    header.readFields_ = std::move(fields);
    return header;
}

std::optional<std::string> MeasurementHeader::bytes() const {
    if (read_ && fields_ == readFields_) {
        return read_;
    }
    const auto values = fields_.values();
    if (recordHeaderProblem(values)) {
        return std::nullopt;
    }
    auto text = utf8ToGbk(recordHeaderText(values));
    if (!text) {
        return std::nullopt;
    }
    return *text + unknown_;
}

RecordHeader MeasurementHeader::lines() const {
    if (read_ && fields_ == readFields_) {
        return parseRecordHeader(*read_);
    }
    RecordHeader lines;
    std::size_t index = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        for (std::size_t f = 0; f < kRecordHeaderLineFields[l]; ++f, ++index) {
            const std::string& text = fields_.field(index);
            lines[l].push_back(text.empty() ? std::string("*") : text);
        }
    }
    return lines;
}

} // namespace tarnelo
