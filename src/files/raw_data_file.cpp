#include "files/raw_data_file.hpp"

#include "files/gbk.hpp"
#include "files/record_header.hpp"
#include "files/split.hpp"
#include "gauging/gauging.hpp"

#include <algorithm>
#include <span>
#include <utility>

namespace tarnelo {

namespace {

constexpr std::string_view kSeparator = kRawDataSeparator;
// The tag line, the coefficient line and the most column lines a mode has.
const std::size_t kMostInputLines = 2 + std::max(typedColumns(EntryMode::Vertical).size(),
                                                 typedColumns(EntryMode::Velocity).size());

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xc0) != 0x80 ? 1 : 0;
    }
    return count;
}

std::string inQuotes(std::string_view text) {
    return "“" + std::string(text) + "”";
}

// Pieces the splitting rule cuts a column line into, without cutting it.
std::size_t valueCount(std::string_view line);

// Whether a header part holds its four lines with all their fields: the program writes every
// field, "*" for an empty one, so a short one was cut off.
bool headerWhole(std::string_view header) {
    std::size_t line = 0;
    for (std::size_t start = 0; line < kRecordHeaderLineFields.size(); ++line) {
        const std::size_t end = header.find("\r\n", start);
        const std::string_view text = header.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (valueCount(text) < kRecordHeaderLineFields[line]) {
            return false;
        }
        if (end == std::string_view::npos) {
            return line + 1 == kRecordHeaderLineFields.size();
        }
        start = end + 2;
    }
    return true;
}

// Pieces the splitting rule cuts a column line into, without cutting it.
std::size_t valueCount(std::string_view line) {
    if (line.empty()) {
        return 0;
    }
    const auto commas = static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
    return commas + (line.back() == ',' ? 0 : 1);
}

} // namespace

std::optional<std::string> carryProblem(std::string_view text) {
    if (text.find_first_of(",\r\n") != std::string_view::npos) {
        return std::string("含有逗号或换行");
    }
    const std::string outside = firstCharacterOutsideGbk(text);
    if (!outside.empty()) {
        return "中的字符" + inQuotes(outside) + "无法以 GBK 编码保存";
    }
    return std::nullopt;
}

namespace {

// The text with every line end (CR LF, lone LF, lone CR) made CR LF.
std::string withCrLf(std::string_view text) {
    // Sized exactly up front: growing a copy of a large file would hold it twice over.
    std::size_t lone = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        lone += (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ||
                        (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
                    ? 1
                    : 0;
    }
    std::string out;
    out.reserve(text.size() + lone);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

// UTF-16 bytes (with the order given by the byte-order mark, or guessed from the zero bytes)
// as UTF-8; std::nullopt when they are not UTF-16.
std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        unsigned unit = bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0;
        if (unit >= 0xd800 && unit <= 0xdbff && i + 3 < bytes.size()) {
            const auto c0 = static_cast<unsigned char>(bytes[i + 2]);
            const auto c1 = static_cast<unsigned char>(bytes[i + 3]);
            const unsigned low = bigEndian ? (c0 << 8) | c1 : (c1 << 8) | c0;
            if (low < 0xdc00 || low > 0xdfff) {
                return std::nullopt;
            }
            unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
            i += 2;
        } else if (unit >= 0xd800 && unit <= 0xdfff) {
            return std::nullopt;
        }
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xc0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3f));
        } else if (unit < 0x10000) {
            out += static_cast<char>(0xe0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (unit & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (unit >> 18));
            out += static_cast<char>(0x80 | ((unit >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (unit & 0x3f));
        }
    }
    return out;
}

// The line ends of a text that is already in the right encoding.
std::string lineEndForm(std::string_view text) {
    const bool crlf = text.find("\r\n") != std::string_view::npos;
    const bool lf = text.find('\n') != std::string_view::npos;
    const bool cr = text.find('\r') != std::string_view::npos;
    if (crlf || (!lf && !cr)) {
        return {};
    }
    return lf ? "行尾是 LF（Linux/macOS 格式）" : "行尾是 CR（旧 Mac 格式）";
}

} // namespace

ForeignForm recogniseForeignForm(std::string_view bytes) {
    ForeignForm form;
    std::string_view body = bytes;
    std::string utf8;
    std::string encoding;
    const bool bom8 = body.starts_with("\xEF\xBB\xBF");
    if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
        const auto text = utf16ToUtf8(body.substr(2), body[0] == '\xFE');
        if (!text) {
            return form;
        }
        utf8 = *text;
        encoding = body[0] == '\xFE' ? "UTF-16（大端）" : "UTF-16（小端）";
    } else if (body.size() >= 4 && body[1] == '\0' && body[3] == '\0' && body[0] != '\0') {
        const auto text = utf16ToUtf8(body, false);
        if (!text) {
            return form;
        }
        utf8 = *text;
        encoding = "UTF-16（小端）";
    } else if (body.size() >= 4 && body[0] == '\0' && body[2] == '\0' && body[1] != '\0') {
        const auto text = utf16ToUtf8(body, true);
        if (!text) {
            return form;
        }
        utf8 = *text;
        encoding = "UTF-16（大端）";
    } else {
        if (bom8) {
            body.remove_prefix(3);
        }
        if (body.starts_with(kRawDataTag) && isUtf8(body)) {
            utf8 = std::string(body);
            encoding = bom8 ? "带 BOM 的 UTF-8" : "UTF-8";
        }
    }
    if (!encoding.empty()) {
        if (!utf8.starts_with(kRawDataTag)) {
            return form;
        }
        form.description = "文件是 " + encoding + " 编码，不是本程序保存的 GBK 编码";
        const std::string lineEnds = lineEndForm(utf8);
        if (!lineEnds.empty()) {
            form.description += "，且" + lineEnds;
        }
        // Only text that GBK can hold converts without loss.
        form.converted = utf8ToGbk(withCrLf(utf8));
        return form;
    }
    // GBK already: only the line ends may be foreign.
    if (!gbkToUtf8(bytes.substr(0, kRawDataTag.size() * 2)).starts_with(kRawDataTag)) {
        return form;
    }
    const std::string lineEnds = lineEndForm(bytes);
    if (!lineEnds.empty()) {
        form.description = "文件的" + lineEnds + "，不是本程序保存的 CR LF（Windows 格式）";
        form.converted = withCrLf(bytes);
    }
    return form;
}

namespace {

// The tag line, the coefficient line and the column lines of the input part, as UTF-8. Only
// they are converted and read: whatever follows them is dropped unread, so a file of millions
// of short lines costs no more memory than its own bytes. A GBK trail byte is never CR or LF.
std::string inputLines(std::string_view input) {
    std::size_t inputEnd = 0;
    for (std::size_t line = 0; line < kMostInputLines && inputEnd != std::string_view::npos;
         ++line) {
        inputEnd = input.find("\r\n", inputEnd);
        inputEnd = inputEnd == std::string_view::npos ? inputEnd : inputEnd + 2;
    }
    return gbkToUtf8(input.substr(0, inputEnd));
}

// The header part after the separator; std::nullopt when the file has no separator.
std::optional<std::string> headerPart(std::string_view bytes, std::size_t separatorAt) {
    if (separatorAt == std::string_view::npos) {
        return std::nullopt;
    }
    // The text is cut into at most two pieces: a further blank line ends the header part.
    const std::string_view rest = bytes.substr(separatorAt + kSeparator.size());
    return std::string(rest.substr(0, rest.find(kSeparator)));
}

// The mode named on the tag line.
void readMode(std::string_view tagLineText, RawData& data) {
    const auto tagLine = splitText(tagLineText, ",", 2);
    const std::string modeName = tagLine.size() > 1 ? tagLine[1] : std::string();
    if (modeName == kVerticalModeName) {
        data.mode = EntryMode::Vertical;
    } else if (modeName == kVelocityModeName) {
        data.mode = EntryMode::Velocity;
    } else {
        data.problems.push_back("文件未注明“垂线模式”或“测速模式”，只读入了测站记录表头");
    }
}

// The mode's coefficients from the coefficient line, with the ones missing named.
void readCoefficients(std::span<const std::string_view> lines, RawData& data) {
    const std::size_t coefficients = coefficientCount(data.mode);
    if (coefficients == 0) {
        return;
    }
    if (lines.size() > 1) {
        data.coefficients = splitValues(lines[1], coefficients);
    }
    if (data.coefficients.size() < coefficients) {
        std::string missing;
        for (std::size_t i = data.coefficients.size(); i < coefficients; ++i) {
            missing += (missing.empty() ? "" : "、") + inQuotes(kCoefficientNames[i].name);
        }
        data.problems.push_back("缺少系数" + missing + "（保持原值）");
    }
}

// The mode's typed columns from the column lines. Returns the refusal when a column has more
// values than a sheet has rows or a value is far too long.
std::optional<std::string> readColumns(std::span<const std::string_view> lines, RawData& data) {
    const auto columns = typedColumns(data.mode);
    for (std::size_t k = 0; k < columns.size() && 2 + k < lines.size(); ++k) {
        const std::string_view line = lines[2 + k];
        if (valueCount(line) > kMostRawDataRows) {
            return "每列有 " + std::to_string(valueCount(line)) + " 个值，超过 " +
                   std::to_string(kMostRawDataRows) + " 行的上限，文件未打开。";
        }
        data.columns.push_back(splitText(line, ","));
        const auto& values = data.columns.back();
        for (std::size_t r = 0; r < values.size(); ++r) {
            if (const std::size_t length = characterCount(values[r]);
                length > kLongestRawDataValue) {
                return "第 " + std::to_string(r + 1) + " 行" + inQuotes(columnHeading(columns[k])) +
                       "有 " + std::to_string(length) + " 个字符，超过 " +
                       std::to_string(kLongestRawDataValue) + " 个字符的上限，文件未打开。";
            }
        }
    }
    return std::nullopt;
}

// The refusal when a coefficient is far too long.
std::optional<std::string> overlongCoefficient(const RawData& data) {
    for (std::size_t i = 0; i < data.coefficients.size(); ++i) {
        if (const std::size_t length = characterCount(data.coefficients[i]);
            length > kLongestRawDataValue) {
            return "系数" + inQuotes(kCoefficientNames[i].name) + "有 " + std::to_string(length) +
                   " 个字符，超过 " + std::to_string(kLongestRawDataValue) +
                   " 个字符的上限，文件未打开。";
        }
    }
    return std::nullopt;
}

// The rows the file fills, and each column missing or of another length than column 1.
void checkColumnLengths(RawData& data) {
    if (!data.columns.empty()) {
        data.rows = data.columns.front().size();
    }
    const auto columns = typedColumns(data.mode);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const std::string name = inQuotes(columnHeading(columns[k]));
        if (k >= data.columns.size()) {
            data.problems.push_back("缺少" + name + "列");
            continue;
        }
        const std::size_t count = data.columns[k].size();
        if (count < data.rows) {
            data.problems.push_back(name + "列只有 " + std::to_string(count) + " 个值，少于" +
                                    "“起点距”列的 " + std::to_string(data.rows) + " 个");
        } else if (count > data.rows) {
            data.problems.push_back(name + "列有 " + std::to_string(count) + " 个值，多于" +
                                    "“起点距”列的 " + std::to_string(data.rows) +
                                    " 个，多出的值未读入");
        }
    }
}

// A header part that is missing or cut off.
void checkHeaderPart(RawData& data) {
    if (!data.header) {
        data.problems.push_back("缺少测站记录表头部分（测站记录表头为空白）");
    } else if (!data.header->empty() && !headerWhole(*data.header)) {
        // An empty header part is what the program saves when it had no header file.
        data.problems.push_back(
            "测站记录表头部分不完整，文件可能在表头处被截断（缺少的栏目为空白）");
    }
}

} // namespace

RawDataRead parseRawData(std::string_view bytes) {
    RawDataRead read;
    const std::size_t separatorAt = bytes.find(kSeparator);
    const std::string text = inputLines(bytes.substr(0, separatorAt));
    if (!text.starts_with(kRawDataTag)) {
        return read;
    }
    read.tagged = true;
    RawData& data = read.data;
    data.header = headerPart(bytes, separatorAt);

    const auto lines = splitTextViews(text, "\r\n", kMostInputLines);
    readMode(lines.front(), data);
    readCoefficients(lines, data);
    if (auto refusal = readColumns(lines, data)) {
        read.refusal = std::move(*refusal);
        return read;
    }
    if (auto refusal = overlongCoefficient(data)) {
        read.refusal = std::move(*refusal);
        return read;
    }
    checkColumnLengths(data);
    checkHeaderPart(data);
    return read;
}

namespace {

std::optional<std::string> inputProblem(EntryMode mode, std::span<const std::string> coefficients,
                                        std::span<const GaugingRow> rows) {
    if (mode == EntryMode::Unknown) {
        return std::string("未选择“垂线模式”或“测速模式”，原始数据未保存。");
    }
    constexpr std::string_view kAdvice = "，原始数据未保存。请修改后再保存。";
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        if (const auto problem = carryProblem(coefficients[i])) {
            return inQuotes(kCoefficientNames[i].name) + *problem + std::string(kAdvice);
        }
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const int c : typedColumns(mode)) {
            if (const auto problem = carryProblem(typedText(rows[r], c))) {
                return "第 " + std::to_string(r + 1) + " 行" + inQuotes(columnHeading(c)) +
                       *problem + std::string(kAdvice);
            }
        }
    }
    return std::nullopt;
}

std::string inputText(EntryMode mode, std::span<const std::string> coefficients,
                      std::span<const GaugingRow> rows) {
    const bool vertical = mode == EntryMode::Vertical;
    std::string text(kRawDataTag);
    text += ',';
    text += vertical ? kVerticalModeName : kVelocityModeName;
    text += "\r\n";
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        text += (i == 0 ? "" : ",") + coefficients[i];
    }
    text += "\r\n";
    const auto columns = typedColumns(mode);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::string& cell = typedText(rows[r], columns[k]);
            text += r == 0 ? "" : ",";
            text += cell.empty() ? std::string_view("*") : std::string_view(cell);
        }
        if (k + 1 < columns.size()) {
            text += "\r\n";
        }
    }
    return text;
}

std::span<const std::string> storedCoefficients(const Gauging& gauging) {
    return std::span(gauging.coefficients).first(coefficientCount(gauging.mode));
}

} // namespace

std::optional<std::string> rawDataProblem(const Gauging& gauging) {
    return inputProblem(gauging.mode, storedCoefficients(gauging), gauging.rows);
}

std::string rawDataText(const Gauging& gauging) {
    // Writing without a mode is refused before this; the vertical mode stands in.
    const EntryMode mode =
        gauging.mode == EntryMode::Velocity ? EntryMode::Velocity : EntryMode::Vertical;
    return inputText(mode, std::span(gauging.coefficients).first(coefficientCount(mode)),
                     gauging.rows);
}

} // namespace tarnelo
