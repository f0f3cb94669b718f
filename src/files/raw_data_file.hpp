// The raw measurement data file: the entry mode, the mode's coefficients, the typed columns of
// the sheet and, after a blank line, the record header carried unchanged.
#pragma once

#include "gauging/gauging.hpp"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

inline constexpr std::string_view kRawDataTag = "流速仪原始数据";
inline constexpr std::string_view kVerticalModeName = "垂线模式";
inline constexpr std::string_view kVelocityModeName = "测速模式";
// Values per column line beyond which a file is not opened.
inline constexpr std::size_t kMostRawDataRows = 10000;

// What a raw data file holds, read before anything in the window changes.
struct RawData {
    EntryMode mode = EntryMode::Unknown;
    // The coefficient values the file holds, at most 6 (vertical) or 3 (velocity).
    std::vector<std::string> coefficients;
    // The column lines the file holds, in the mode's file order; each line's values.
    std::vector<std::vector<std::string>> columns;
    // Values in the line of column 1: the rows the file fills.
    std::size_t rows = 0;
    // The bytes after the first CR LF CR LF; std::nullopt when the file has no separator.
    std::optional<std::string> header;
    // What a short or damaged file lacks, in words for the user.
    std::vector<std::string> problems;
};

struct RawDataRead {
    // Whether the text begins with the tag; nothing else is filled when it does not.
    bool tagged = false;
    // Why the file cannot be opened at all (too many rows, a cell far too long); empty when it
    // can.
    std::string refusal;
    RawData data;
};

RawDataRead parseRawData(std::string_view bytes);

// The longest text a cell, a coefficient or a header field may hold in a file that is opened.
inline constexpr std::size_t kLongestRawDataValue = 256;

// A raw data file in another form than the program writes: another encoding, or other line
// ends. Recognised before anything in the window changes, so that the user is told exactly
// that instead of a misleading reason.
struct ForeignForm {
    // What the file is, for the user ("文件是 UTF-8 编码，不是本程序保存的 GBK 编码"), empty
    // when the file is in the program's own form (GBK, CR LF).
    std::string description;
    // The file's bytes in the program's own form when the conversion loses nothing (UTF-8
    // text that GBK can hold, LF or CR line ends); std::nullopt when it cannot be converted.
    std::optional<std::string> converted;
};

// Looks at a file's bytes for a raw data file in a foreign form. Bytes that are not a raw data
// file in any form give an empty description.
ForeignForm recogniseForeignForm(std::string_view bytes);

// Why the gauging cannot be saved (a "," or line break, or a character GBK cannot hold, in a
// coefficient or typed cell; no mode selected), naming the field or cell; std::nullopt when it
// can.
std::optional<std::string> rawDataProblem(const Gauging& gauging);

// The tag line, coefficient line and column lines of a gauging (UTF-8, no header): its mode's
// coefficients and typed columns, every row. gaugingFileBytes (gauging_file.hpp) is the writer
// of the whole file; this is its input part.
std::string rawDataText(const Gauging& gauging);

// The line between the input part and the record-header part.
inline constexpr std::string_view kRawDataSeparator = "\r\n\r\n";

// Why a text cannot be carried in a data file (a "," or line break, or a character GBK cannot
// hold), or std::nullopt.
std::optional<std::string> carryProblem(std::string_view text);

} // namespace tarnelo
