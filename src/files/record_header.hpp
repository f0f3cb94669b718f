// The record header of a measurement, as a raw data file carries it after its data: 39 fields
// in four comma-separated lines of 12, 8, 16 and 3 fields; "*" stands for a field without a
// value.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// Lines 1 to 4 of the header, each padded with "*" to its 12, 8, 16 or 3 fields.
using RecordHeader = std::array<std::vector<std::string>, 4>;

inline constexpr std::array<std::size_t, 4> kRecordHeaderLineFields{12, 8, 16, 3};
inline constexpr std::size_t kRecordHeaderFields = 39;

// The blank header every start, 清空 and open begins with: every field "*" followed by ",".
inline constexpr std::string_view kDefaultRecordHeader =
    "*,*,*,*,*,*,*,*,*,*,*,*,\r\n*,*,*,*,*,*,*,*,\r\n*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,\r\n*,*,*,";

// The header from its bytes. Damaged bytes, or lines and fields that are absent, read as "*".
RecordHeader parseRecordHeader(std::string_view bytes);

// Field pos (from 1) of line (from 1); "*" when absent.
std::string headerField(const RecordHeader& header, int line, int pos);
// Whether a field text is a value ("*" means none).
inline bool hasValue(const std::string& field) {
    return field != "*";
}

// The caption of field index (0 to 38) as the record-header dialog shows it, for messages.
std::string recordHeaderCaption(std::size_t index);

// Why the values cannot be saved (a "," or line break, or a character GBK cannot hold), naming
// the field; std::nullopt when they can.
std::optional<std::string> recordHeaderProblem(const std::array<std::string, 39>& values);

// The saved content as UTF-8 text: fields joined by "," (empty as "*"), lines by CR LF.
std::string recordHeaderText(const std::array<std::string, 39>& values);

// The saved shape of the 39 values in GBK; std::nullopt when recordHeaderProblem refuses them.
std::optional<std::string> recordHeaderBytes(const std::array<std::string, 39>& values);

} // namespace tarnelo
