// tarnelo-cli compute: opens each raw data file as 打开 does, computes it as 计算 does, and
// prints the computed sheet and the section results.
#include "app/compute_file.hpp"
#include "checks/checks.hpp"
#include "cli/computation_output.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "files/file_io.hpp"
#include "measure/numtext.hpp"
#include "measure/point_method.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/console.hpp"
#include "sheet/sheet.hpp"
#include "uncertainty/uncertainty.hpp"
#include "window/program_paths.hpp"

#include <filesystem>
#include <iostream>
#include <optional>
#include <variant>
#include <vector>

namespace tarnelo::cli {

namespace {

constexpr std::string_view kHelp =
    "用法 Usage: tarnelo-cli compute [--json] [--class 1|2|3] [--three-point 3|4] FILE...\n\n"
    "打开每个流速仪原始数据文件（.dat，GBK），按“计算”按钮的规则计算，\n"
    "输出计算后的表格（有内容的行，17 列）、断面流量等七项成果和检查发现的问题。\n"
    "Opens each raw measurement data file as the 打开 button does, computes it as 计算 does,\n"
    "and prints the filled rows of the computed sheet (17 columns), the seven results and the\n"
    "findings of the input check.\n\n"
    "选项 Options:\n"
    "  --json   每个文件输出一个 JSON 对象（多个文件时为数组），以 \"format\": 2 开头，\n"
    "           键名为所指之物：results 含七项成果和“完成情况”，coefficients 含“水面系数”\n"
    "           “左岸岸边系数”“右岸岸边系数”“信号转数”“公式系数K”“公式常数C”（format 1 用\n"
    "           窗口控件名：致谢框、水面系数编辑框等）\n"
    "           each object starts with \"format\": 2 and names its keys by what they hold:\n"
    "           results has the seven results and 完成情况, coefficients has 水面系数 ...\n"
    "           公式常数C (format 1 used the window's control names, 致谢框 and so on)\n"
    "           findings 列出问题：\n"
    "           row、column 为 sheet 数组的下标（从 0 起，系数的问题为 null），field 为列名\n"
    "           或系数名，severity 为“错误”或“注意”，reason 为原因\n"
    "           one JSON object per file (an array for several files); findings lists the\n"
    "           problems: row and column index the sheet array (from 0; null for a\n"
    "           coefficient), field names the column or coefficient, severity is 错误 (error)\n"
    "           or 注意 (notice), reason says why; uncertainty holds ive and iso748, each\n"
    "           with expanded_percent (95 %; also as percent), standard_percent (1σ),\n"
    "           coverage_factor, source, reason (null unless the method cannot be\n"
    "           applied), notes and components (standard_percent, kind, note each)\n"
    "           usable 说明结果能否使用，不能时 unusable_reason 说明原因（有错误或未算完）\n"
    "           usable says whether the figures may be used, unusable_reason why not\n"
    "  --class C 测站精度类别 1、2（缺省）、3：测速垂线间距按 GB 50179-2015 B.12.9 该类站的\n"
    "           上限（水面宽的 10%、11%、12%）检查 the station's class for the spacing check\n"
    "  --three-point 4  三点法按 ISO 748 (V0.2+2V0.6+V0.8)/4 计算；缺省 3 为\n"
    "           (V0.2+V0.6+V0.8)/3。JSON 的 three_point 写出有三点法垂线时所用的公式\n"
    "           4 weighs 三点法 as ISO 748 does, 3 (the default) equally; the JSON names the\n"
    "           rule in three_point when a vertical has three points\n"
    "  --help   显示本说明 show this help\n\n"
    "系数取程序的缺省值，文件中的系数覆盖之；不读写程序的 Data 文件夹。\n"
    "Coefficients start at the program's defaults and the file's override them; the program's\n"
    "Data folder is never read or written.\n\n"
    "退出状态 Exit status: 0 全部算完 all computed (注意 alone does not change it); 1 有文件资料\n"
    "不全或被拒绝 some incomplete or refused (reason on stderr); 2 用法错误或文件无法读取 usage\n"
    "error or unreadable file; 3 算完但输入中有错误 computed, but the input holds errors (错误).\n";

struct ComputeArguments {
    bool asJson = false;
    std::vector<std::string> files;
    CheckOptions options;
    ThreePointRule threePoint = ThreePointRule::Equal;
};

// The arguments read, or the exit status of a usage error already said on stderr.
std::variant<ComputeArguments, int> parseArguments(std::span<const std::string> args) {
    ComputeArguments parsed;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            parsed.asJson = true;
        } else if (!optionsEnded && arg == "--class") {
            const std::string value = k + 1 < args.size() ? args[++k] : std::string();
            if (value != "1" && value != "2" && value != "3") {
                std::cerr << "tarnelo-cli compute: --class 应为 1、2 或 3: " << terminalSafe(value)
                          << "\n";
                return kExitUsage;
            }
            parsed.options.stationClass = value[0] - '0';
        } else if (!optionsEnded && arg == "--three-point") {
            const std::string value = k + 1 < args.size() ? args[++k] : std::string();
            const std::optional<ThreePointRule> rule = threePointRuleNamed(value);
            if (!rule) {
                std::cerr << "tarnelo-cli compute: --three-point 应为 3 或 4: "
                          << terminalSafe(value) << "\n";
                return kExitUsage;
            }
            parsed.threePoint = *rule;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            std::cerr << "tarnelo-cli compute: 未知选项 unknown option: " << terminalSafe(arg)
                      << "\n"
                      << kHelp;
            return kExitUsage;
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.files.empty()) {
        std::cerr << "tarnelo-cli compute: 没有给出文件 no file given\n" << kHelp;
        return kExitUsage;
    }
    return parsed;
}

int run(std::span<const std::string> args) {
    auto parsed = parseArguments(args);
    if (const int* refused = std::get_if<int>(&parsed)) {
        return *refused;
    }
    const ComputeArguments& asked = std::get<ComputeArguments>(parsed);
    const bool asJson = asked.asJson;
    const std::vector<std::string>& files = asked.files;
    // A reader that goes away (tarnelo-cli ... | head) ends the run through a failed write.
    sys::ignoreBrokenPipes();
    int status = kExitDone;
    if (asJson && files.size() > 1) {
        std::cout << "[\n";
    }
    std::vector<std::filesystem::path> paths;
    for (const std::string& file : files) {
        paths.push_back(paths::fromUtf8(file));
    }
    // The files are computed on every core, a batch at a time, and printed in their order.
    int stopped = 0;
    computeRawDataFiles(
        paths,
        [&](std::size_t i, const FileComputation& outcome) {
            return asJson ? json(files[i], outcome) : std::string();
        },
        [&](std::size_t i, const FileComputation& outcome, std::string& rendered) {
            if (sys::interruptSignal() != 0) {
                std::cerr << "tarnelo-cli compute: 已中断 interrupted\n";
                stopped = 128 + sys::interruptSignal();
                return false;
            }
            if (!std::cout) {
                std::cerr << "tarnelo-cli compute: 已中断 interrupted\n";
                stopped = kExitUsage;
                return false;
            }
            status = worseExit(status, exitStatus(outcome));
            if (outcome.status != FileComputation::Status::Computed) {
                std::cerr << "tarnelo-cli: " << terminalSafe(files[i]) << ": "
                          << terminalSafe(outcome.message, true) << "\n";
            }
            if (asJson) {
                std::cout << rendered << (i + 1 < files.size() ? ",\n" : "\n");
            } else if (outcome.status != FileComputation::Status::Unreadable) {
                std::cout << (i == 0 ? "" : "\n");
                printText(std::cout, files[i], outcome);
            }
            return true;
        },
        asked.options, asked.threePoint);
    if (stopped != 0) {
        return stopped;
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
