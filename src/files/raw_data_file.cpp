#include "files/raw_data_file.hpp"

#include "app/clear.hpp"
#include "app/window.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "files/record_header.hpp"
#include "files/split.hpp"

#include <algorithm>
#include <span>

namespace tarnelo {

namespace {

constexpr std::string_view kNotice = "提示：";
constexpr std::string_view kSeparator = "\r\n\r\n";
// A raw data file of the largest sheet is well under a megabyte.
constexpr std::size_t kLargestFile = std::size_t(64) << 20;

// The names users know the coefficient fields by, in field order.
constexpr std::array<std::string_view, 6> kCoefficientNames{
    "水面系数", "左岸岸边系数", "右岸岸边系数", "信号转数", "流速仪公式系数 K", "流速仪公式常数 C"};

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

// Why a text cannot be carried in the file, or std::nullopt.
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

std::string bareName(const std::filesystem::path& path) {
    return path.filename().string();
}

} // namespace

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
                missing += (missing.empty() ? "" : "、") + inQuotes(kCoefficientNames[i]);
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

void fillFromRawData(Window& window, const RawData& data) {
    if (data.mode == RawData::Mode::Unknown) {
        return;
    }
    const bool vertical = data.mode == RawData::Mode::Vertical;
    window.setSelected(vertical ? ctl::垂线模式 : ctl::测速模式, true);
    window.setSelected(vertical ? ctl::测速模式 : ctl::垂线模式, false);
    layoutSheet(window);
    for (std::size_t i = 0; i < data.coefficients.size() && i < 6; ++i) {
        window.setText(ctl::kCoefficientFields[i], data.coefficients[i]);
    }
    Sheet& sheet = window.sheet();
    const int rows = static_cast<int>(std::min(data.rows, kMostRawDataRows));
    if (rows > Sheet::kInitialRows) {
        sheet.growTo(rows);
    }
    const auto columns = fileColumns(data.mode);
    for (std::size_t k = 0; k < data.columns.size() && k < columns.size(); ++k) {
        const auto& values = data.columns[k];
        const std::size_t filled = std::min(values.size(), static_cast<std::size_t>(rows));
        for (std::size_t r = 0; r < filled; ++r) {
            if (values[r] != "*") {
                sheet.setCell(static_cast<int>(r), columns[k], values[r]);
            }
        }
    }
}

std::optional<std::string> rawDataProblem(const Window& window) {
    RawData::Mode mode = RawData::Mode::Unknown;
    if (window.isSelected(ctl::垂线模式)) {
        mode = RawData::Mode::Vertical;
    } else if (window.isSelected(ctl::测速模式)) {
        mode = RawData::Mode::Velocity;
    } else {
        return std::string("未选择“垂线模式”或“测速模式”，原始数据未保存。");
    }
    constexpr std::string_view kAdvice = "，原始数据未保存。请修改后再保存。";
    for (std::size_t i = 0; i < coefficientCount(mode); ++i) {
        if (const auto problem = carryProblem(window.text(ctl::kCoefficientFields[i]))) {
            return inQuotes(kCoefficientNames[i]) + *problem + std::string(kAdvice);
        }
    }
    const Sheet& sheet = window.sheet();
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (const int c : fileColumns(mode)) {
            if (const auto problem = carryProblem(sheet.cell(r, c))) {
                return "第 " + std::to_string(r + 1) + " 行" + inQuotes(Sheet::heading(c)) +
                       *problem + std::string(kAdvice);
            }
        }
    }
    return std::nullopt;
}

std::string rawDataText(const Window& window) {
    const bool vertical = window.isSelected(ctl::垂线模式);
    const RawData::Mode mode = vertical ? RawData::Mode::Vertical : RawData::Mode::Velocity;
    std::string text(kRawDataTag);
    text += ',';
    text += vertical ? kVerticalModeName : kVelocityModeName;
    text += "\r\n";
    for (std::size_t i = 0; i < coefficientCount(mode); ++i) {
        text += (i == 0 ? "" : ",") + window.text(ctl::kCoefficientFields[i]);
    }
    text += "\r\n";
    const Sheet& sheet = window.sheet();
    const auto columns = fileColumns(mode);
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

OpenResult openRawDataFile(Window& window, const std::filesystem::path& file) {
    OpenResult result;
    const std::string name = bareName(file);
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (!error && size > kLargestFile) {
        result.outcome = OpenOutcome::Refused;
        result.message = "文件" + inQuotes(name) + "太大，不是流速仪原始数据文件，未打开。";
        window.showMessage(result.message, kNotice, MessageIcon::Warning);
        return result;
    }
    const auto bytes = readFileBytes(file, kLargestFile);
    if (!bytes) {
        return result;
    }
    const RawDataRead read = parseRawData(*bytes);
    if (!read.tagged) {
        return result;
    }
    if (!read.refusal.empty()) {
        result.outcome = OpenOutcome::Refused;
        result.message = "文件" + inQuotes(name) + read.refusal;
        window.showMessage(result.message, kNotice, MessageIcon::Warning);
        return result;
    }

    clearCommand(window);
    fillFromRawData(window, read.data);
    std::vector<std::string> problems = read.data.problems;
    const std::filesystem::path folder = window.programFolder();
    writeDefaultRecordHeader(folder);
    if (read.data.header && !writeFileAtomic(recordHeaderPath(folder), *read.data.header)) {
        problems.push_back("测站记录表头未能写入 Data\\snap.dat");
    }
    window.setEnabled(ctl::导出Excel, false);
    window.setEnabled(ctl::打印, false);
    window.setText(ctl::编辑框当前操作数据, name);

    if (problems.empty()) {
        result.outcome = OpenOutcome::Opened;
        return result;
    }
    result.outcome = OpenOutcome::Incomplete;
    result.message = "文件" + inQuotes(name) + "不完整，已读入能读入的部分：";
    for (std::size_t i = 0; i < problems.size(); ++i) {
        result.message += (i == 0 ? "\n" : "；\n") + problems[i];
    }
    result.message += "。";
    window.showMessage(result.message, kNotice, MessageIcon::Warning);
    return result;
}

void saveCommand(Window& window) {
    if (const auto problem = rawDataProblem(window)) {
        window.showMessage(*problem, kNotice, MessageIcon::Warning);
        return;
    }
    const std::filesystem::path folder = window.programFolder();
    // The header is taken as it stands before the dialog, carried byte for byte.
    const std::string header = readFileBytes(recordHeaderPath(folder)).value_or(std::string());
    const FileChoice choice = window.chooseFile(dlg::通用对话框保存, folder / "Text data");
    if (choice.confirmed) {
        // Every carried text was checked to be GBK above.
        const auto sheetPart = utf8ToGbk(rawDataText(window));
        if (!sheetPart ||
            !writeFileAtomic(choice.path, *sheetPart + std::string(kSeparator) + header)) {
            window.showMessage("无法写入文件" + inQuotes(bareName(choice.path)) +
                                   "，原始数据未保存。请检查文件夹是否存在、是否可写。",
                               kNotice, MessageIcon::Warning);
            return;
        }
    }
    window.setText(ctl::编辑框当前操作数据, bareName(choice.path));
}

void openCommand(Window& window) {
    const FileChoice choice =
        window.chooseFile(dlg::通用对话框打开, window.programFolder() / "Text data");
    if (!choice.confirmed) {
        return;
    }
    openRawDataFile(window, choice.path);
}

} // namespace tarnelo
