#include "files/raw_data_file.hpp"

#include "files/gbk.hpp"
#include "files/split.hpp"
#include "sheet/sheet.hpp"
#include "window/window.hpp"

#include <algorithm>
#include <span>

namespace tarnelo {

namespace {

constexpr std::string_view kSeparator = kRawDataSeparator;

std::span<const int> fileColumns(RawData::Mode mode) {
    if (mode == RawData::Mode::Vertical) {
        return kVerticalFileColumns;
    }
    if (mode == RawData::Mode::Velocity) {
        return kVelocityFileColumns;
    }
    return {};
}

std::size_t coefficientCount(RawData::Mode mode) {
    return mode == RawData::Mode::Vertical ? 6 : mode == RawData::Mode::Velocity ? 3 : 0;
}

std::string inQuotes(std::string_view text) {
    return "“" + std::string(text) + "”";
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

RawDataRead parseRawData(std::string_view bytes) {
    RawDataRead read;
    const std::size_t separatorAt = bytes.find(kSeparator);
    const std::string text = gbkToUtf8(bytes.substr(0, separatorAt));
    if (!text.starts_with(kRawDataTag)) {
        return read;
    }
    read.tagged = true;
    RawData& data = read.data;
    if (separatorAt != std::string_view::npos) {
        // The text is cut into at most two pieces: a further blank line ends the header part.
        const std::string_view rest = bytes.substr(separatorAt + kSeparator.size());
        data.header = std::string(rest.substr(0, rest.find(kSeparator)));
    }

    const auto lines = splitText(text, "\r\n");
    const auto tagLine = splitText(lines.front(), ",", 2);
    const std::string modeName = tagLine.size() > 1 ? tagLine[1] : std::string();
    if (modeName == kVerticalModeName) {
        data.mode = RawData::Mode::Vertical;
    } else if (modeName == kVelocityModeName) {
        data.mode = RawData::Mode::Velocity;
    } else {
        data.problems.push_back("文件未注明“垂线模式”或“测速模式”，只读入了测站记录表头");
    }

    const std::size_t coefficients = coefficientCount(data.mode);
    if (coefficients > 0) {
        if (lines.size() > 1) {
            data.coefficients = splitValues(lines[1], coefficients);
        }
        if (data.coefficients.size() < coefficients) {
            std::string missing;
            for (std::size_t i = data.coefficients.size(); i < coefficients; ++i) {
                missing += (missing.empty() ? "" : "、") + inQuotes(kCoefficientFields[i].name);
            }
            data.problems.push_back("缺少系数" + missing + "（保持原值）");
        }
    }

    const auto columns = fileColumns(data.mode);
    for (std::size_t k = 0; k < columns.size() && 2 + k < lines.size(); ++k) {
        const std::string& line = lines[2 + k];
        if (valueCount(line) > kMostRawDataRows) {
            read.refusal = "每列有 " + std::to_string(valueCount(line)) + " 个值，超过 " +
                           std::to_string(kMostRawDataRows) + " 行的上限，文件未打开。";
            return read;
        }
        data.columns.push_back(splitText(line, ","));
    }
    if (!data.columns.empty()) {
        data.rows = data.columns.front().size();
    }
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const std::string name = inQuotes(Sheet::heading(columns[k]));
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
    if (!data.header) {
        data.problems.push_back("缺少测站记录表头部分（测站记录表头为空白）");
    }
    return read;
}

std::span<const int> rawDataColumns(RawData::Mode mode) {
    return fileColumns(mode);
}

std::size_t rawDataCoefficientCount(RawData::Mode mode) {
    return coefficientCount(mode);
}

std::optional<std::string> rawDataProblem(const RawInput& input) {
    if (input.mode == RawData::Mode::Unknown) {
        return std::string("未选择“垂线模式”或“测速模式”，原始数据未保存。");
    }
    constexpr std::string_view kAdvice = "，原始数据未保存。请修改后再保存。";
    for (std::size_t i = 0; i < input.coefficients.size(); ++i) {
        if (const auto problem = carryProblem(input.coefficients[i])) {
            return inQuotes(kCoefficientFields[i].name) + *problem + std::string(kAdvice);
        }
    }
    const Sheet& sheet = input.sheet;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (const int c : fileColumns(input.mode)) {
            if (const auto problem = carryProblem(sheet.cell(r, c))) {
                return "第 " + std::to_string(r + 1) + " 行" + inQuotes(Sheet::heading(c)) +
                       *problem + std::string(kAdvice);
            }
        }
    }
    return std::nullopt;
}

std::string rawDataText(const RawInput& input) {
    const bool vertical = input.mode == RawData::Mode::Vertical;
    std::string text(kRawDataTag);
    text += ',';
    text += vertical ? kVerticalModeName : kVelocityModeName;
    text += "\r\n";
    for (std::size_t i = 0; i < input.coefficients.size(); ++i) {
        text += (i == 0 ? "" : ",") + input.coefficients[i];
    }
    text += "\r\n";
    const Sheet& sheet = input.sheet;
    const auto columns = fileColumns(input.mode);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        for (int r = 0; r < sheet.rowCount(); ++r) {
            const std::string& cell = sheet.cell(r, columns[k]);
            text += r == 0 ? "" : ",";
            text += cell.empty() ? std::string_view("*") : std::string_view(cell);
        }
        if (k + 1 < columns.size()) {
            text += "\r\n";
        }
    }
    return text;
}

} // namespace tarnelo
