#include "app/file_commands.hpp"
#include "app/compute_file.hpp"
#include "app/window_sheet.hpp"

#include "files/coefficient_file.hpp"
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "files/gbk.hpp"
#include "files/open_gauging.hpp"
#include "files/record_header.hpp"
#include "sheet/sheet.hpp"
#include "window/program_paths.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

constexpr std::string_view kNotice = "提示：";

std::string inQuotes(std::string_view text) {
    return "“" + escapedName(text) + "”";
}

std::string bareName(const std::filesystem::path& path) {
    return paths::toUtf8(path.filename());
}

} // namespace

void clearCommand(Window& window) {
    window.sheet().clearColumns(cols::kAll);
    for (const auto field : ctl::kResultFields) {
        window.setText(field, "");
    }
    window.setText(ctl::致谢框, "");
    window.setText(ctl::编辑框当前操作数据, "");
    window.setRecordHeader(kDefaultRecordHeader);
    window.setEnabled(ctl::导出Excel, false);
    window.setEnabled(ctl::打印, false);
}

void fillFromGauging(Window& window, const Gauging& gauging) {
    const bool vertical = gauging.mode == EntryMode::Vertical;
    window.setSelected(vertical ? ctl::垂线模式 : ctl::测速模式, true);
    window.setSelected(vertical ? ctl::测速模式 : ctl::垂线模式, false);
    layoutSheet(window);
    for (std::size_t i = 0; i < kCoefficientCount; ++i) {
        window.setText(kCoefficientFields[i].control, gauging.coefficients[i]);
    }
    Sheet& sheet = window.sheet();
    sheet.growTo(static_cast<int>(gauging.rows.size()));
    for (std::size_t r = 0; r < gauging.rows.size(); ++r) {
        for (const int c : typedColumns(gauging.mode)) {
            if (const std::string& text = typedText(gauging.rows[r], c); !text.empty()) {
                sheet.setCell(static_cast<int>(r), c, text);
            }
        }
    }
}

namespace {

// 打开's reading: the window's coefficients under what the file lacks, a foreign form converted
// only when the user says so, nothing computed.
OpenOptions openOptions(Window& window, bool& converted) {
    OpenOptions options;
    options.start = gaugingOf(window);
    options.convert = [&window, &converted](const std::string& what) {
        converted =
            window.ask(what + "。\n是否转换后打开？（只转换读入的内容，原文件不变。）", kNotice);
        return converted;
    };
    // 打开 reads; 计算 computes.
    options.compute = false;
    return options;
}

// Shows what was read of the raw data file `name` in the window, or says why not.
OpenResult showRead(Window& window, const FileComputation& read, const std::string& name,
                    bool converted) {
    OpenResult result;
    result.converted = converted;
    switch (read.status) {
    case FileComputation::Status::Unreadable:
        // An empty file, a text without the 流速仪原始数据 line, a binary file: nothing is
        // changed, and the user is told why.
        result.message = "无法打开“" + name + "”：" + read.message;
        window.showMessage(result.message, kNotice, MessageIcon::Warning);
        return result;
    case FileComputation::Status::Refused:
        result.outcome = OpenOutcome::Refused;
        result.message = read.message;
        // A declined conversion was the user's own answer: nothing more to say.
        if (!read.conversionDeclined) {
            window.showMessage(result.message, kNotice, MessageIcon::Warning);
        }
        return result;
    case FileComputation::Status::Incomplete:
    case FileComputation::Status::Computed:
        break;
    }

    clearCommand(window);
    if (read.fileMode != EntryMode::Unknown) {
        fillFromGauging(window, read.gauging);
    }
    if (read.hasHeader) {
        window.setRecordHeader(read.gauging.headerPart);
    }
    const std::vector<std::string>& problems = read.problems;
    window.setEnabled(ctl::导出Excel, false);
    window.setEnabled(ctl::打印, false);
    window.setText(ctl::编辑框当前操作数据, name);

    if (problems.empty()) {
        result.outcome = OpenOutcome::Opened;
        return result;
    }
    result.outcome = OpenOutcome::Incomplete;
    result.message = incompleteFileMessage(name, problems);
    window.showMessage(result.message, kNotice, MessageIcon::Warning);
    return result;
}

} // namespace

OpenResult openRawDataFile(Window& window, const std::filesystem::path& file) {
    bool converted = false;
    const OpenOptions options = openOptions(window, converted);
    const FileComputation read = openGauging(file, options);
    return showRead(window, read, bareName(file), converted);
}

OpenResult openRawDataBytes(Window& window, std::string_view bytes, const std::string& name) {
    bool converted = false;
    const OpenOptions options = openOptions(window, converted);
    const FileComputation read = openGaugingBytes(bytes, name, options);
    return showRead(window, read, name, converted);
}

namespace {

// The measurement as the file will hold it: the window's gauging and its record header.
GaugingFileBytes measurementToSave(const Window& window) {
    return gaugingFileBytes(gaugingOf(window), window.recordHeader());
}

// Writes the measurement's bytes into `file`; a message says why when it cannot.
SaveOutcome writeMeasurement(Window& window, const std::filesystem::path& file,
                             const GaugingFileBytes& measurement) {
    SaveOutcome outcome;
    outcome.file = file;
    const WriteResult written = writeFileAtomic(file, *measurement.bytes);
    if (!written) {
        outcome.status = SaveOutcome::Status::Failed;
        const std::string& why = written.problem;
        outcome.message = "无法写入文件" + inQuotes(bareName(file)) + "，原始数据未保存。" +
                          (why.empty() ? "" : why + "。") + "请检查文件夹是否存在、是否可写。";
        window.showMessage(outcome.message, kNotice, MessageIcon::Warning);
        return outcome;
    }
    outcome.status = SaveOutcome::Status::Saved;
    return outcome;
}

std::optional<SaveOutcome> refusedSave(Window& window, const GaugingFileBytes& measurement) {
    if (!measurement.bytes) {
        const std::string& problem = measurement.problem;
        window.showMessage(problem, kNotice, MessageIcon::Warning);
        return SaveOutcome{SaveOutcome::Status::Refused, {}, problem};
    }
    return std::nullopt;
}

} // namespace

SaveOutcome saveCommand(Window& window) {
    // The input and the header are taken as they stand before the dialog.
    const GaugingFileBytes measurement = measurementToSave(window);
    if (auto refused = refusedSave(window, measurement)) {
        return *refused;
    }
    const FileChoice choice =
        window.chooseFile(dlg::通用对话框保存, paths::textDataFolder(window.documentFolder()));
    SaveOutcome outcome;
    outcome.file = choice.path;
    if (choice.confirmed) {
        outcome = writeMeasurement(window, choice.path, measurement);
        if (outcome.status != SaveOutcome::Status::Saved) {
            return outcome;
        }
    }
    window.setText(ctl::编辑框当前操作数据, bareName(choice.path));
    return outcome;
}

SaveOutcome saveInPlace(Window& window, const std::filesystem::path& file) {
    const GaugingFileBytes measurement = measurementToSave(window);
    if (auto refused = refusedSave(window, measurement)) {
        return *refused;
    }
    SaveOutcome outcome = writeMeasurement(window, file, measurement);
    if (outcome.status == SaveOutcome::Status::Saved) {
        window.setText(ctl::编辑框当前操作数据, bareName(file));
    }
    return outcome;
}

OpenResult openCommand(Window& window) {
    const FileChoice choice =
        window.chooseFile(dlg::通用对话框打开, paths::textDataFolder(window.documentFolder()));
    if (!choice.confirmed) {
        return {OpenOutcome::Cancelled, {}};
    }
    return openRawDataFile(window, choice.path);
}

CoefficientOutcome loadCoefficientFile(Window& window) {
    const auto bytes =
        readFileBytes(paths::coefficientFile(window.programFolder()), kLargestCoefficientFile);
    if (!bytes) {
        return {CoefficientOutcome::Status::NotLoaded, {}};
    }
    const auto values = parseCoefficientText(*bytes);
    if (!values) {
        return {CoefficientOutcome::Status::NotLoaded, {}};
    }
    for (std::size_t i = 0; i < values->size(); ++i) {
        window.setText(kCoefficientFields[i].control, (*values)[i]);
    }
    if (values->size() < kCoefficientFields.size()) {
        std::string missing;
        for (std::size_t i = values->size(); i < kCoefficientFields.size(); ++i) {
            missing += (missing.empty() ? "" : "、") + inQuotes(kCoefficientFields[i].name);
        }
        CoefficientOutcome outcome{CoefficientOutcome::Status::Incomplete,
                                   "默认系数文件 Data\\coefficient.dat 不完整，缺少" + missing +
                                       "，这些系数保持原值。请核对系数后按“设为默认”重新保存。"};
        window.showMessage(outcome.message, kNotice, MessageIcon::Warning);
        return outcome;
    }
    return {};
}

CoefficientOutcome saveCoefficientFile(Window& window) {
    const auto refuse = [&](CoefficientOutcome::Status status, std::string message) {
        window.showMessage(message, kNotice, MessageIcon::Warning);
        return CoefficientOutcome{status, std::move(message)};
    };
    std::string text(kCoefficientTag);
    text += "\r\n";
    for (std::size_t i = 0; i < kCoefficientFields.size(); ++i) {
        const std::string value = window.text(kCoefficientFields[i].control);
        const std::string name = inQuotes(kCoefficientFields[i].name);
        if (value.find_first_of(",\r\n") != std::string::npos) {
            return refuse(CoefficientOutcome::Status::Refused,
                          name + "中含有逗号或换行，默认系数未保存。请修改后再保存。");
        }
        const std::string outside = firstCharacterOutsideGbk(value);
        if (!outside.empty()) {
            return refuse(CoefficientOutcome::Status::Refused,
                          name + "中的字符“" + outside +
                              "”无法以 GBK 编码保存，默认系数未保存。请修改后再保存。");
        }
        text += value;
        text += i + 1 < kCoefficientFields.size() ? "," : "";
    }
    std::error_code error;
    if (!std::filesystem::is_directory(paths::dataFolder(window.programFolder()), error)) {
        return refuse(CoefficientOutcome::Status::Failed,
                      "程序目录下没有 Data 文件夹，默认系数无法保存。");
    }
    const auto bytes = utf8ToGbk(text);
    if (!bytes || !writeFileAtomic(paths::coefficientFile(window.programFolder()), *bytes)) {
        return refuse(CoefficientOutcome::Status::Failed,
                      "无法写入 Data\\coefficient.dat，默认系数未保存。");
    }
    return {};
}

} // namespace tarnelo
