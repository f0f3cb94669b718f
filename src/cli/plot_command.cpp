// tarnelo-cli plot: a raw data file opened and computed as in the window, drawn as the section
// picture (SVG, or PNG drawn from the same SVG in this process).
#include "cli/output_guard.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/open_gauging.hpp"
#include "pages/picture_png.hpp"
#include "platform/system/child_process.hpp"
#include "report/section_plot.hpp"
#include "window/program_paths.hpp"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <optional>
#include <variant>

namespace tarnelo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "用法 Usage: tarnelo-cli plot FILE.dat -o SECTION.svg|SECTION.png [--force]\n\n"
    "打开并计算流速仪原始数据文件，画出断面图：断面（起点距与水深）、各条垂线、垂线平均流速\n"
    "和部分流量占断面流量的百分比（画出 10% 线）。文件名以 .png 结尾时由本程序把同一张\n"
    "SVG 图画成 PNG。资料不全时只画断面。\n"
    "Opens and computes a raw data file and draws the section picture: the cross-section, the\n"
    "verticals, the vertical mean velocities and the partial discharges in percent of the\n"
    "section discharge with the 10 % line. A name ending in .png is drawn from the same SVG by\n"
    "Tarnelo itself. Incomplete input is drawn as the profile only.\n\n"
    "图不能写在输入文件上；只读的图文件加 --force 才替换。\n"
    "The picture may not replace the input; a read-only one is replaced with --force alone.\n\n"
    "退出状态 Exit status: 0 已画出 drawn; 1 资料不全（只画了断面）或无法写出 incomplete\n"
    "(profile only) or not written; 2 用法错误、文件无法读取或图文件是输入文件 usage error,\n"
    "unreadable file or a picture that is the input.\n";

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

int fail(const std::string& file, const std::string& why, int status) {
    std::cerr << "tarnelo-cli plot: " << terminalSafe(file) << ": " << terminalSafe(why, true)
              << "\n";
    return status;
}

struct PlotArguments {
    std::string file;
    fs::path target;
    bool png = false;
    bool force = false;
};

// The arguments read and the picture's name checked, or the exit status of a refusal already
// said on stderr.
std::variant<PlotArguments, int> parseArguments(std::span<const std::string> args) {
    std::string file;
    std::optional<fs::path> target;
    bool force = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!optionsEnded && args[i] == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && args[i] == "--force") {
            force = true;
        } else if (!optionsEnded && args[i] == "-o" && i + 1 < args.size()) {
            target = fs::absolute(paths::fromUtf8(args[i + 1]));
            ++i;
        } else if ((!optionsEnded && args[i].rfind('-', 0) == 0) || !file.empty()) {
            std::cerr << "tarnelo-cli plot: 无法理解的参数 unexpected argument: "
                      << terminalSafe(args[i]) << "\n\n"
                      << kHelp;
            return kExitUsage;
        } else {
            file = args[i];
        }
    }
    if (file.empty() || !target) {
        std::cerr << kHelp;
        return kExitUsage;
    }
    const std::string ext = lowerExtension(*target);
    if (ext != ".svg" && ext != ".png") {
        std::cerr << "tarnelo-cli plot: 输出文件名应以 .svg 或 .png 结尾 the output name must end "
                     "in .svg or .png: "
                  << escapedName(*target) << "\n";
        return kExitUsage;
    }
    const bool png = ext == ".png";
    if (png) {
        if (const std::string problem = pages::pngProblem(); !problem.empty()) {
            return fail(file, problem, kExitIncomplete);
        }
    }
    return PlotArguments{file, *target, png, force};
}

int run(std::span<const std::string> args) {
    auto parsed = parseArguments(args);
    if (const int* refused = std::get_if<int>(&parsed)) {
        return *refused;
    }
    const PlotArguments& asked = std::get<PlotArguments>(parsed);
    const std::string& file = asked.file;
    const bool png = asked.png;
    const fs::path input = paths::fromUtf8(file);
    if (const int refused = checkOutputs("plot", {&input, 1}, {&asked.target, 1}, asked.force)) {
        return refused;
    }
    FileComputation opened = openGauging(paths::fromUtf8(file));
    if (opened.status == FileComputation::Status::Unreadable) {
        return fail(file, opened.message, kExitUsage);
    }
    // A refused file leaves nothing to compute: its picture is that of an empty sheet.
    const bool refused = !opened.opened;
    Gauging gauging = refused ? Gauging{} : std::move(opened.gauging);
    const Computation computed = refused ? compute(gauging) : std::move(opened.computation);
    // The picture needs the record header alone: the typed texts are in the table too.
    std::vector<GaugingRow>().swap(gauging.rows);
    std::string problem;
    std::vector<Finding> findings;
    if (refused) {
        problem = opened.fileMessage;
    } else {
        findings = computed.findings;
        problem = computed.computed() ? opened.fileMessage : computed.message;
    }
    if (const auto unbounded = sectionPlotProblem(computed.section)) {
        return fail(file, *unbounded, kExitIncomplete);
    }
    const drawing::Drawing picture =
        sectionPlotDrawing(gauging, computed, findings, [] { return sys::interruptSignal() != 0; });
    if (sys::interruptSignal() != 0) {
        return kExitIncomplete;
    }
    const pages::PngDrawing drawn = png ? pages::drawPng(picture) : pages::PngDrawing{};
    const std::string svg = png ? std::string() : drawing::svgOf(picture);
    if (!drawn.problem.empty()) {
        return fail(file, drawn.problem, kExitIncomplete);
    }
    if (sys::interruptSignal() != 0) {
        return kExitIncomplete;
    }
    if (const WriteResult written = writeFileAtomic(asked.target, png ? drawn.bytes : svg);
        !written) {
        return fail(file,
                    "无法写入 cannot write " + escapedName(asked.target) + "：" + written.problem,
                    kExitIncomplete);
    }
    if (!problem.empty()) {
        return fail(file, "未计算，只画了断面 not computed, profile only：" + problem,
                    kExitIncomplete);
    }
    return kExitDone;
}

} // namespace

const Subcommand kPlot{"plot", "画出断面图（SVG 或 PNG） draw the section picture (SVG or PNG)",
                       kHelp, run};

} // namespace tarnelo::cli
