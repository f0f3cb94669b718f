#include "files/coefficient_file.hpp"

#include "app/window.hpp"
#include "files/file_io.hpp"
#include "files/gbk.hpp"
#include "files/split.hpp"

#include <array>

namespace tarnelo {

namespace {

constexpr std::string_view kNotice = "提示：";
constexpr std::size_t kCoefficients = 6;
// The names users know the six fields by, in field order.
constexpr std::array<std::string_view, kCoefficients> kNames{
    "水面系数", "左岸岸边系数", "右岸岸边系数", "信号转数", "流速仪公式系数 K", "流速仪公式常数 C"};
// A coefficient file is a few dozen bytes.
constexpr std::size_t kLargest = 1 << 16;

} // namespace

std::filesystem::path coefficientFilePath(const std::filesystem::path& programFolder) {
    return programFolder / "Data" / "coefficient.dat";
}

std::optional<std::vector<std::string>> parseCoefficientText(std::string_view bytes) {
    const std::string text = gbkToUtf8(bytes);
    if (!text.starts_with(kCoefficientTag)) {
        return std::nullopt;
    }
    const auto lines = splitText(text, "\r\n", 2);
    if (lines.size() < 2) {
        return std::vector<std::string>{};
    }
    return splitValues(lines[1], kCoefficients);
}

void loadCoefficientFile(Window& window) {
    const auto bytes = readFileBytes(coefficientFilePath(window.programFolder()), kLargest);
    if (!bytes) {
        return;
    }
    const auto values = parseCoefficientText(*bytes);
    if (!values) {
        return;
    }
    for (std::size_t i = 0; i < values->size(); ++i) {
        window.setText(ctl::kCoefficientFields[i], (*values)[i]);
    }
    if (values->size() < kCoefficients) {
        std::string missing;
        for (std::size_t i = values->size(); i < kCoefficients; ++i) {
            missing += (missing.empty() ? "“" : "、“") + std::string(kNames[i]) + "”";
        }
        window.showMessage("默认系数文件 Data\\coefficient.dat 不完整，缺少" + missing +
                               "，这些系数保持原值。请核对系数后按“设为默认”重新保存。",
                           kNotice, MessageIcon::Warning);
    }
}

void saveCoefficientFile(Window& window) {
    std::string text(kCoefficientTag);
    text += "\r\n";
    for (std::size_t i = 0; i < kCoefficients; ++i) {
        const std::string value = window.text(ctl::kCoefficientFields[i]);
        const std::string name = "“" + std::string(kNames[i]) + "”";
        if (value.find_first_of(",\r\n") != std::string::npos) {
            window.showMessage(name + "中含有逗号或换行，默认系数未保存。请修改后再保存。", kNotice,
                               MessageIcon::Warning);
            return;
        }
        const std::string outside = firstCharacterOutsideGbk(value);
        if (!outside.empty()) {
            window.showMessage(name + "中的字符“" + outside +
                                   "”无法以 GBK 编码保存，默认系数未保存。请修改后再保存。",
                               kNotice, MessageIcon::Warning);
            return;
        }
        text += value;
        text += i + 1 < kCoefficients ? "," : "";
    }
    const std::filesystem::path folder = window.programFolder() / "Data";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        window.showMessage("程序目录下没有 Data 文件夹，默认系数无法保存。", kNotice,
                           MessageIcon::Warning);
        return;
    }
    const auto bytes = utf8ToGbk(text);
    if (!bytes || !writeFileAtomic(coefficientFilePath(window.programFolder()), *bytes)) {
        window.showMessage("无法写入 Data\\coefficient.dat，默认系数未保存。", kNotice,
                           MessageIcon::Warning);
    }
}

} // namespace tarnelo
