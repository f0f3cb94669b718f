// tarnelo-cli compute: opens each raw data file as 打开 does, computes it as 计算 does, and
// prints the computed sheet and the section results.
#include "app/compute_file.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "compute/checks.hpp"
#include "compute/numtext.hpp"
#include "compute/uncertainty.hpp"
#include "files/file_io.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/console.hpp"
#include "sheet/sheet.hpp"
#include "window/program_paths.hpp"
#include "window/window.hpp"

#include <filesystem>
#include <iostream>
#include <optional>
#include <vector>

namespace tarnelo::cli {

namespace {

constexpr std::string_view kHelp =
    "用法 Usage: tarnelo-cli compute [--json] FILE...\n\n"
    "打开每个流速仪原始数据文件（.dat，GBK），按“计算”按钮的规则计算，\n"
    "输出计算后的表格（有内容的行，17 列）、断面流量等七项成果和检查发现的问题。\n"
    "Opens each raw measurement data file as the 打开 button does, computes it as 计算 does,\n"
    "and prints the filled rows of the computed sheet (17 columns), the seven results and the\n"
    "findings of the input check.\n\n"
    "选项 Options:\n"
    "  --json   每个文件输出一个 JSON 对象（多个文件时为数组）；findings 列出问题：\n"
    "           row、column 为 sheet 数组的下标（从 0 起，系数的问题为 null），field 为列名\n"
    "           或系数名，severity 为“错误”或“注意”，reason 为原因\n"
    "           one JSON object per file (an array for several files); findings lists the\n"
    "           problems: row and column index the sheet array (from 0; null for a\n"
    "           coefficient), field names the column or coefficient, severity is 错误 (error)\n"
    "           or 注意 (notice), reason says why; uncertainty holds ive and iso748, each\n"
    "           with expanded_percent (95 %; also as percent), standard_percent (1σ),\n"
    "           coverage_factor, source, reason (null unless the method cannot be\n"
    "           applied), notes and components (standard_percent, kind, note each)\n"
    "  --help   显示本说明 show this help\n\n"
    "系数取程序的缺省值，文件中的系数覆盖之；不读写程序的 Data 文件夹。\n"
    "Coefficients start at the program's defaults and the file's override them; the program's\n"
    "Data folder is never read or written.\n\n"
    "退出状态 Exit status: 0 全部算完 all computed (注意 alone does not change it); 1 有文件资料\n"
    "不全或被拒绝 some incomplete or refused (reason on stderr); 2 用法错误或文件无法读取 usage\n"
    "error or unreadable file; 3 算完但输入中有错误 computed, but the input holds errors (错误).\n";

std::string_view statusName(FileComputation::Status status) {
    switch (status) {
    case FileComputation::Status::Computed:
        return "computed";
    case FileComputation::Status::Incomplete:
        return "incomplete";
    case FileComputation::Status::Refused:
    case FileComputation::Status::Unreadable:
        break;
    }
    return "error";
}

int exitStatus(const FileComputation& outcome) {
    switch (outcome.status) {
    case FileComputation::Status::Computed:
        return countSeverity(outcome.findings, Finding::Severity::Error) > 0 ? kExitFindings
                                                                             : kExitDone;
    case FileComputation::Status::Incomplete:
    case FileComputation::Status::Refused:
        return kExitIncomplete;
    case FileComputation::Status::Unreadable:
        break;
    }
    return kExitUsage;
}

std::string jsonNumber(const std::optional<double>& value, int decimals) {
    return value ? num::fixedText(*value, decimals) : std::string("null");
}

std::string json(const UncertaintyMethod& method) {
    std::string out = "{\"percent\": " + jsonNumber(method.percent, 1);
    out += ", \"expanded_percent\": " + jsonNumber(method.percent, 1);
    out += ", \"standard_percent\": " + jsonNumber(method.standardPercent, 2);
    out += ", \"coverage_factor\": " +
           jsonNumber(method.percent ? std::optional(method.coverageFactor) : std::nullopt, 2);
    out +=
        ", \"coverage\": " + (method.percent ? jsonString(method.coverage) : std::string("null"));
    out += ", \"source\": " + jsonString(method.source);
    out += ", \"reason\": ";
    if (method.percent) {
        out += "null";
    } else {
        out += jsonString(method.reason.empty() ? std::string_view("尚未计算出断面流量")
                                                : std::string_view(method.reason));
    }
    out += ", \"notes\": [";
    for (std::size_t i = 0; i < method.notes.size(); ++i) {
        out += (i == 0 ? "" : ", ") + jsonString(method.notes[i]);
    }
    out += "], \"components\": {";
    for (std::size_t i = 0; i < method.components.size(); ++i) {
        const UncertaintyComponent& c = method.components[i];
        out += (i == 0 ? "" : ", ") + jsonString(c.key) + ": {\"name\": " + jsonString(c.name) +
               ", \"standard_percent\": " + jsonNumber(c.percent, 2) +
               ", \"kind\": " + jsonString(c.systematic ? "systematic" : "random") +
               ", \"note\": " + jsonString(c.note) + "}";
    }
    return out + "}}";
}

// "± 5.5 %（ISO 748，95%）  标准不确定度 2.76 %，k = 2（ISO 748）" and the components below it,
// random and systematic apart, or "ISO 748 无法估算（垂线太少）".
std::string text(const UncertaintyMethod& method, std::string_view name) {
    std::string out = uncertaintyShort(method, name);
    if (!method.percent) {
        return out + "\n";
    }
    out += "  标准不确定度 " + num::fixedText(*method.standardPercent, 2) + " %，" +
           method.coverage + "\n";
    for (const bool systematic : {false, true}) {
        std::string parts;
        for (const UncertaintyComponent& c : method.components) {
            if (c.systematic == systematic) {
                parts += (parts.empty() ? "" : "，") + std::string(c.name) + " " +
                         (c.percent ? num::fixedText(*c.percent, 2) + "%" : c.note);
            }
        }
        out += std::string("    ") + (systematic ? "系统：" : "随机：") + parts + "\n";
    }
    for (const std::string& note : method.notes) {
        out += "    注：" + note + "\n";
    }
    return out + "    来源：" + method.source + "\n";
}

std::string json(const std::string& file, const FileComputation& outcome) {
    std::string out = "{\"file\": " + jsonString(file);
    out += ", \"mode\": " + jsonString(outcome.mode);
    out += ", \"coefficients\": {";
    for (std::size_t i = 0; i < outcome.coefficients.size(); ++i) {
        out += (i == 0 ? "" : ", ") + jsonString(outcome.coefficients[i].first) + ": " +
               jsonString(outcome.coefficients[i].second);
    }
    out += "}, \"sheet\": [";
    for (std::size_t r = 0; r < outcome.sheet.size(); ++r) {
        out += r == 0 ? "\n  [" : ",\n  [";
        for (std::size_t c = 0; c < outcome.sheet[r].size(); ++c) {
            out += (c == 0 ? "" : ", ") + jsonString(outcome.sheet[r][c]);
        }
        out += "]";
    }
    out += outcome.sheet.empty() ? "]" : "\n]";
    out += ", \"results\": {";
    for (std::size_t i = 0; i < outcome.results.size(); ++i) {
        out += (i == 0 ? "" : ", ") + jsonString(outcome.results[i].first) + ": " +
               jsonString(outcome.results[i].second);
    }
    out += "}, \"findings\": [";
    for (std::size_t i = 0; i < outcome.findings.size(); ++i) {
        const Finding& f = outcome.findings[i];
        const std::string field =
            f.isCell() ? std::string(Sheet::heading(f.column)) : std::string(f.control);
        out += (i == 0 ? "\n  {" : ",\n  {");
        out += "\"row\": " + (f.isCell() ? std::to_string(f.row) : std::string("null"));
        out += ", \"column\": " + (f.isCell() ? std::to_string(f.column) : std::string("null"));
        out += ", \"field\": " + jsonString(field);
        out += ", \"severity\": " + jsonString(severityName(f.severity));
        out += ", \"reason\": " + jsonString(f.reason) + "}";
    }
    out += outcome.findings.empty() ? "]" : "\n]";
    out += ", \"uncertainty\": {\"ive\": " + json(outcome.uncertainty.ive) +
           ", \"iso748\": " + json(outcome.uncertainty.iso748) + "}";
    out += ", \"status\": " + jsonString(statusName(outcome.status));
    out += ", \"message\": " + jsonString(outcome.message) + "}";
    return out;
}

// The table of one file onto out, row by row: ten thousand rows of long cells are never held
// as one text.
void printText(std::ostream& stream, const std::string& file, const FileComputation& outcome) {
    std::string out = "== " + terminalSafe(file) + "  (" + outcome.mode + ")\n";
    std::string coefficients;
    for (std::size_t i = 0; i < outcome.coefficients.size(); ++i) {
        coefficients += (i == 0 ? "" : "   ") + std::string(kCoefficientFields[i].label) + " " +
                        terminalSafe(outcome.coefficients[i].second);
    }
    out += "系数: " + coefficients + "\n\n";

    std::size_t filled = 0;
    for (std::size_t r = 0; r < outcome.sheet.size(); ++r) {
        for (const auto& cell : outcome.sheet[r]) {
            if (!cell.empty()) {
                filled = r + 1;
            }
        }
    }
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> heading{"行"};
    for (int c = 0; c < Sheet::kColumns; ++c) {
        heading.emplace_back(Sheet::heading(c));
    }
    rows.push_back(std::move(heading));
    for (std::size_t r = 0; r < filled; ++r) {
        std::vector<std::string> row{std::to_string(r + 1)};
        for (const std::string& cell : outcome.sheet[r]) {
            row.push_back(terminalSafe(cell));
        }
        rows.push_back(std::move(row));
    }
    stream << out;
    writeAlignedTable(stream, rows);
    rows.clear();
    rows.shrink_to_fit();
    out = "\n";

    std::vector<std::vector<std::string>> results(2);
    for (const auto& [name, value] : outcome.results) {
        results[0].push_back(name);
        results[1].push_back(value.empty() ? "-" : value);
    }
    out += alignedTable(results);
    out += "\n不确定度 Uncertainty（各分量为标准不确定度 1σ）:\n  ISO 748: " +
           terminalSafe(text(outcome.uncertainty.iso748, "ISO 748"), true) +
           "  IVE: " + terminalSafe(text(outcome.uncertainty.ive, "IVE"), true);
    if (!outcome.findings.empty()) {
        out += "\n检查 Findings: " + findingCounts(outcome.findings) + "\n" +
               terminalSafe(findingList(outcome.findings, outcome.findings.size()), true) + "\n";
    }
    stream << out;
}

int run(std::span<const std::string> args) {
    bool asJson = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const auto& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            asJson = true;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            std::cerr << "tarnelo-cli compute: 未知选项 unknown option: " << terminalSafe(arg)
                      << "\n"
                      << kHelp;
            return kExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << "tarnelo-cli compute: 没有给出文件 no file given\n" << kHelp;
        return kExitUsage;
    }
    // Only the private folder below is ever written, and it is thrown away at the end.
    setWritesFlushedToDisk(false);
    // A reader that goes away (tarnelo-cli ... | head) ends the run through a failed write.
    sys::ignoreBrokenPipes();
    const ScratchProgramFolder folder;
    if (!folder.valid()) {
        std::cerr << "tarnelo-cli compute: 无法建立临时文件夹 cannot make a temporary folder\n";
        return kExitUsage;
    }

    int status = kExitDone;
    if (asJson && files.size() > 1) {
        std::cout << "[\n";
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (sys::interruptSignal() != 0) {
            std::cerr << "tarnelo-cli compute: 已中断 interrupted\n";
            return 128 + sys::interruptSignal();
        }
        if (!std::cout) {
            std::cerr << "tarnelo-cli compute: 已中断 interrupted\n";
            return kExitUsage;
        }
        const FileComputation outcome =
            computeRawDataFile(paths::fromUtf8(files[i]), folder.path());
        status = worseExit(status, exitStatus(outcome));
        if (outcome.status != FileComputation::Status::Computed) {
            std::cerr << "tarnelo-cli: " << terminalSafe(files[i]) << ": "
                      << terminalSafe(outcome.message, true) << "\n";
        }
        if (asJson) {
            std::cout << json(files[i], outcome) << (i + 1 < files.size() ? ",\n" : "\n");
        } else if (outcome.status != FileComputation::Status::Unreadable) {
            std::cout << (i == 0 ? "" : "\n");
            printText(std::cout, files[i], outcome);
        }
    }
    if (asJson && files.size() > 1) {
        std::cout << "]\n";
    }
    std::cout.flush();
    return status;
}

} // namespace

const Subcommand kCompute{"compute",
                          "计算原始数据文件并输出表格与成果 compute raw data files and print "
                          "the sheet and results",
                          kHelp, run};

} // namespace tarnelo::cli
