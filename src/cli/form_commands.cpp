// tarnelo-cli export and print: a raw data file read and computed as in the window, then the
// record form filled from the file's own record header and written to a workbook (and a PDF),
// or printed on the default printer. The program's coefficients and record header are never
// touched: a working copy that a print road needs goes into a private scratch folder.
#include "app/program_folder.hpp"
#include "checks/checks.hpp"
#include "cli/output_guard.hpp"
#include "cli/subcommands.hpp"
#include "cli/text_output.hpp"
#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/open_gauging.hpp"
#include "files/raw_data_file.hpp"
#include "files/record_header.hpp"
#include "measure/point_method.hpp"
#include "pages/form_pages.hpp"
#include "pages/page_painter.hpp"
#include "pages/page_printer.hpp"
#include "platform/print/page_printer.hpp"
#include "platform/print/pdf_render.hpp"
#include "platform/system/child_process.hpp"
#include "platform/system/scratch.hpp"
#include "report/record_form.hpp"
#include "report/record_form_steps.hpp"
#include "window/program_paths.hpp"

#include <functional>
#include <future>
#include <iostream>
#include <optional>
#include <system_error>
#include <variant>
#include <vector>

#include <unistd.h>

namespace tarnelo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExportHelp =
    "用法 Usage: tarnelo-cli export FILE.dat [-o FORM.xlsx] [--pdf FORM.pdf]\n"
    "                                  [--renderer tarnelo|libreoffice] [--three-point 3|4]\n"
    "                                  [--force]\n\n"
    "打开并计算流速仪原始数据文件，用文件中的制表数据填写测深、测速记载及流量计算表，\n"
    "保存为 Excel 工作簿（-o）和/或 PDF（--pdf）。PDF 由本程序自行绘制；\n"
    "--renderer libreoffice 改用 LibreOffice 转换（需要安装 LibreOffice）。\n"
    "Opens and computes a raw data file, fills the measurement record form from the file's\n"
    "record header and writes it as a workbook (-o) and/or a PDF (--pdf), drawn by Tarnelo\n"
    "itself; --renderer libreoffice converts with LibreOffice instead.\n\n"
    "检查发现的问题写到标准错误输出。输入中有错误（错误）时不输出记载表，除非加 --force；\n"
    "只需注意的问题（注意）不影响输出。起点距中间有空行或垂线多于 40 条时，加 --force 也不输出。\n"
    "Findings of the input check go to stderr. Input with errors (错误) gives no form unless\n"
    "--force is given; notices (注意) alone never stop it. A gap in 起点距 or more than 40\n"
    "verticals gives no form even with --force.\n"
    "输出文件不能是输入文件；只读的目标文件也要加 --force 才替换。\n"
    "An output may not be the input; a read-only target is replaced with --force alone.\n\n"
    "--three-point 4：三点法按 ISO 748 (V0.2+2V0.6+V0.8)/4 计算（缺省 3：(V0.2+V0.6+V0.8)/3）。\n"
    "--three-point 4 weighs 三点法 as ISO 748 does; 3 (the default) weighs its points equally.\n\n"
    "退出状态 Exit status: 0 完成 done; 1 资料不全、被拒绝或无法写出 incomplete, refused or not\n"
    "written (reason on stderr); 2 用法错误、文件无法读取或输出文件是输入文件 usage error,\n"
    "unreadable file or an output that is the input;\n"
    "3 输入中有错误，未加 --force the input holds errors and --force was not given.\n";

constexpr std::string_view kPrintHelp =
    "用法 Usage: tarnelo-cli print FILE.dat [--printer NAME] [--copies N]\n"
    "                                [--renderer tarnelo|libreoffice|spreadsheet]\n"
    "                                [--three-point 3|4] [--force] [--pages-ok]\n\n"
    "打开并计算流速仪原始数据文件，填写记载表并打印（与“打印”按钮相同）：由本程序自行绘制，\n"
    "送往默认打印机或 --printer 指定的打印机，共 --copies 份。--renderer libreoffice 或\n"
    "spreadsheet 改用 LibreOffice 或电子表格程序打印（只能送往默认打印机）。\n"
    "Opens and computes a raw data file, fills the record form and prints it, as the 打印 button\n"
    "does: drawn by Tarnelo itself and sent to the default printer or the one --printer names,\n"
    "--copies times. --renderer libreoffice or spreadsheet prints through LibreOffice or the\n"
    "spreadsheet program instead (default printer only).\n\n"
    "检查发现的问题写到标准错误输出；输入中有错误（错误）时不打印，除非加 --force。\n"
    "Findings of the input check go to stderr; input with errors (错误) is not printed unless\n"
    "--force is given. A gap in 起点距 or more than 40 verticals is never printed.\n\n"
    "多于 10 页（页数 × 份数）时不打印，除非加 --pages-ok。\n"
    "More than 10 sheets (pages x copies) are not printed unless --pages-ok is given.\n\n"
    "--three-point 4：三点法按 ISO 748 (V0.2+2V0.6+V0.8)/4 计算（缺省 3：(V0.2+V0.6+V0.8)/3）。\n"
    "--three-point 4 weighs 三点法 as ISO 748 does; 3 (the default) weighs its points equally.\n\n"
    "退出状态 Exit status: 0 已送往打印机 sent to the printer; 1 资料不全、被拒绝或未能打印\n"
    "incomplete, refused or not printed (reason on stderr); 2 用法错误 usage error;\n"
    "3 输入中有错误，未加 --force the input holds errors and --force was not given.\n";

// The program folder that holds the templates: beside this executable in a portable folder,
// the user's own folder for an installed program when it has them, else the package's. No
// folder is made; a folder that cannot be trusted is named on stderr and not used.
fs::path templateFolder() {
    const fs::path executable = executableFolder();
    const ProgramFolders folders =
        resolveProgramFolders(executable, UserEnvironment::ofProcess(), FolderLayout::LookOnly);
    for (const std::string& problem : folders.problems) {
        std::cerr << "tarnelo-cli: 注意 notice: " << terminalSafe(problem) << "\n";
    }
    std::error_code ec;
    if (fs::is_regular_file(paths::formTemplate(folders.program, false), ec)) {
        return folders.program;
    }
    // The user's folder could not be laid out: read the package's own copies.
    return packageFolder(executable);
}

// A measurement read and computed, with a private folder for the form's working copy.
class ComputedMeasurement {
  public:
    ComputedMeasurement(const fs::path& file, ThreePointRule threePoint)
        : scratch_("tarnelo", true) {
        if (!scratch_.valid()) {
            problem_ = "无法建立临时文件夹 cannot make a temporary folder";
            status_ = kExitUsage;
            return;
        }
        templates_ = templateFolder();
        OpenOptions options;
        options.threePoint = threePoint;
        FileComputation opened = openGauging(file, options);
        // A missing file, a FIFO, a folder or a device is unreadable input, as for every
        // subcommand; a refused or incomplete file is not filled into a form.
        if (opened.status == FileComputation::Status::Unreadable) {
            problem_ = std::move(opened.message);
            status_ = kExitUsage;
            return;
        }
        if (!opened.opened || !opened.fileMessage.empty()) {
            problem_ = std::move(opened.fileMessage);
            status_ = kExitIncomplete;
            return;
        }
        gauging_ = std::move(opened.gauging);
        computation_ = std::move(opened.computation);
        if (!computation_.computed()) {
            problem_ = std::move(opened.message);
            status_ = kExitIncomplete;
        }
    }

    bool ok() const { return status_ == kExitDone; }
    int status() const { return status_; }
    const std::string& problem() const { return problem_; }
    const std::vector<Finding>& findings() const { return computation_.findings; }
    const fs::path& folder() const { return scratch_.path(); }

    FormSheet form() const {
        return formSheetOf(gauging_, computation_, parseRecordHeader(gauging_.headerPart));
    }
    ExportPlace place(const fs::path& target) const { return {templates_, folder(), target}; }

  private:
    sys::ScratchFolder scratch_;
    fs::path templates_;
    Gauging gauging_;
    Computation computation_;
    int status_ = kExitDone;
    std::string problem_;
};

int fail(std::string_view command, const std::string& file, const std::string& why, int status) {
    std::cerr << "tarnelo-cli " << command << ": " << terminalSafe(file) << ": "
              << terminalSafe(why, true) << "\n";
    return status;
}

// Every finding of the input check, on stderr.
void reportFindings(std::string_view command, const std::string& file,
                    const std::vector<Finding>& findings) {
    if (findings.empty()) {
        return;
    }
    std::cerr << "tarnelo-cli " << command << ": " << terminalSafe(file) << ": "
              << findingCounts(findings) << "\n"
              << terminalSafe(findingList(findings, findings.size()), true) << "\n";
}

using FormCommand = std::function<FormOutcome(const FormSheet&, std::span<const Finding>,
                                              const ExportPlace&, bool)>;

// Runs the form command with the question about errors answered by --force. A declined
// question means errors in the input.
int publish(std::string_view command, const std::string& file,
            const ComputedMeasurement& measurement, const fs::path& target, bool force,
            const FormCommand& form) {
    reportFindings(command, file, measurement.findings());
    if (!measurement.ok()) {
        return fail(command, file, measurement.problem(), measurement.status());
    }
    const FormOutcome outcome =
        form(measurement.form(), measurement.findings(), measurement.place(target), force);
    if (outcome.status == FormOutcome::Status::Cancelled) {
        return fail(command, file, outcome.message + "确认无误后可加 --force。", kExitFindings);
    }
    if (outcome.status != FormOutcome::Status::Done) {
        std::string why = outcome.message;
        if (why == form_detail::kNoSpreadsheet) {
            // Which package brings the spreadsheet program.
            why += "（Debian：sudo apt install libreoffice-calc-nogui；Windows：LibreOffice、"
                   "WPS 表格或 Microsoft Excel）";
        }
        return fail(command, file, why, kExitIncomplete);
    }
    return kExitDone;
}

// The form filled in memory and its pages drawn, then the workbook (when asked for) and the PDF
// put in place together; an interruption while the pages are drawn writes neither.
int placeWithPdf(const std::string& file, const ComputedMeasurement& measurement, bool force,
                 const std::optional<fs::path>& workbook, const fs::path& pdf) {
    FilledForm filled;
    bool twoPages = false;
    const int status = publish(
        "export", file, measurement, {}, force,
        [&](const FormSheet& form, std::span<const Finding> findings, const ExportPlace& place,
            bool withErrors) {
            FormOutcome outcome;
            if (form_detail::chooseForm(form, findings, place, withErrors, "导出", outcome)) {
                twoPages = outcome.twoPages;
                filled = fillForm(form, form_detail::privatePlace(place, twoPages), twoPages);
                outcome.status = filled ? FormOutcome::Status::Done : FormOutcome::Status::Failed;
                outcome.message = filled.problem;
            }
            return outcome;
        });
    if (status != kExitDone) {
        return status;
    }
    const auto interrupted = [] { return sys::interruptSignal() != 0; };
    const pages::Layout layout =
        pages::layoutWorkbook(*filled.workbook, pages::formPageCap(true), interrupted);
    // Once the pages are laid out they share nothing with the workbook: it is packed on a thread
    // of its own while they are drawn (or after them, where no thread can be made).
    std::future<std::optional<std::string>> packed;
    if (workbook) {
        packed = std::async(std::launch::async | std::launch::deferred,
                            [&filled] { return filled.workbook->packageBytes(); });
    }
    pages::PdfDrawing drawn = pages::drawLayoutPdf(layout, interrupted);
    std::optional<std::string> bytes = packed.valid() ? packed.get() : std::nullopt;
    if (drawn.stopped || interrupted()) {
        return kExitIncomplete;
    }
    StagedOutputs outputs("export");
    if (workbook) {
        if (!bytes) {
            return fail("export", file, "无法生成工作簿 cannot make the workbook", kExitIncomplete);
        }
        outputs.add(*workbook, std::move(*bytes));
    }
    if (!drawn.problem.empty()) {
        // The workbook is written all the same, as it would be without --pdf.
        outputs.putInPlace(kExitIncomplete);
        return fail("export", file, drawn.problem, kExitIncomplete);
    }
    outputs.add(pdf, std::move(drawn.bytes));
    return outputs.putInPlace(kExitDone);
}

struct ExportArguments {
    std::string file;
    std::optional<fs::path> workbook;
    std::optional<fs::path> pdf;
    bool force = false;
    bool useOffice = false;
    ThreePointRule threePoint = ThreePointRule::Equal;
};

// The arguments read, or the exit status of a usage error already said on stderr.
std::variant<ExportArguments, int> parseExportArguments(std::span<const std::string> args) {
    ExportArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!optionsEnded && args[i] == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && args[i] == "--force") {
            parsed.force = true;
        } else if (!optionsEnded && args[i] == "--three-point" && i + 1 < args.size() &&
                   threePointRuleNamed(args[i + 1])) {
            parsed.threePoint = *threePointRuleNamed(args[++i]);
        } else if (!optionsEnded && args[i] == "--renderer" && i + 1 < args.size() &&
                   (args[i + 1] == "tarnelo" || args[i + 1] == "libreoffice")) {
            parsed.useOffice = args[++i] == "libreoffice";
        } else if (!optionsEnded && (args[i] == "-o" || args[i] == "--pdf") &&
                   i + 1 < args.size()) {
            (args[i] == "-o" ? parsed.workbook : parsed.pdf) =
                fs::absolute(paths::fromUtf8(args[i + 1]));
            ++i;
        } else if ((!optionsEnded && args[i].rfind('-', 0) == 0) || !parsed.file.empty()) {
            std::cerr << "tarnelo-cli export: 无法理解的参数 unexpected argument: "
                      << terminalSafe(args[i]) << "\n\n"
                      << kExportHelp;
            return kExitUsage;
        } else {
            parsed.file = args[i];
        }
    }
    if (parsed.file.empty() || (!parsed.workbook && !parsed.pdf)) {
        std::cerr << kExportHelp;
        return kExitUsage;
    }
    return parsed;
}

// What the PDF needs beyond the workbook: a Chinese font, or LibreOffice. The problem is empty
// when the PDF can be made.
struct PdfRoad {
    std::optional<fs::path> renderer;
    std::string problem;
};

PdfRoad pdfRoad(const ExportArguments& asked) {
    PdfRoad road;
    if (asked.pdf && !asked.useOffice) {
        road.problem = pages::chineseFontProblem();
    } else if (asked.pdf) {
        road.renderer = findRenderer();
        if (!road.renderer) {
            road.problem = "没有安装 LibreOffice，无法生成 PDF no LibreOffice to render the PDF"
                           "（Debian：sudo apt install libreoffice-calc-nogui）";
        }
    }
    return road;
}

// No output may replace the measurement it is made from, a read-only one needs --force, and
// targets that cannot be written are said before any work is done.
int checkExportTargets(const ExportArguments& asked) {
    std::vector<fs::path> outputs;
    for (const auto& output : {asked.workbook, asked.pdf}) {
        if (output) {
            outputs.push_back(*output);
        }
    }
    const fs::path input = paths::fromUtf8(asked.file);
    if (const int refused = checkOutputs("export", {&input, 1}, outputs, asked.force)) {
        return refused;
    }
    for (const auto& output : {asked.workbook, asked.pdf}) {
        if (!output) {
            continue;
        }
        if (const WriteResult writable = checkFileWritable(*output); !writable) {
            return fail("export", asked.file, "无法写入 cannot write：" + writable.problem,
                        kExitIncomplete);
        }
    }
    return kExitDone;
}

int runExport(std::span<const std::string> args) {
    auto parsed = parseExportArguments(args);
    if (const int* refused = std::get_if<int>(&parsed)) {
        return *refused;
    }
    ExportArguments& asked = std::get<ExportArguments>(parsed);
    const std::string& file = asked.file;
    // The workbook asked for beside the PDF needs neither font nor LibreOffice and is written
    // all the same.
    const PdfRoad road = pdfRoad(asked);
    if (!road.problem.empty() && !asked.workbook) {
        return fail("export", file, road.problem, kExitIncomplete);
    }
    if (!road.problem.empty()) {
        asked.pdf.reset();
    }
    if (const int refused = checkExportTargets(asked)) {
        return refused;
    }
    ComputedMeasurement measurement(paths::fromUtf8(file), asked.threePoint);
    // A PDF drawn here: the workbook and the PDF are made in memory and put in place together
    // once the pages are drawn, so that an interruption leaves both targets as they were.
    if (asked.pdf && !asked.useOffice) {
        return placeWithPdf(file, measurement, asked.force, asked.workbook, *asked.pdf);
    }
    const fs::path target =
        asked.workbook ? *asked.workbook : measurement.folder() / paths::fromUtf8("记载表.xlsx");
    if (const int status = publish("export", file, measurement, target, asked.force, exportForm);
        status != kExitDone) {
        return status;
    }
    if (!road.problem.empty()) {
        return fail("export", file,
                    road.problem + "工作簿已保存 the workbook was written：" +
                        paths::toUtf8(target),
                    kExitIncomplete);
    }
    if (asked.pdf) {
        const RenderResult rendered = renderToPdf(*road.renderer, target, *asked.pdf, {});
        if (!rendered.ok) {
            return fail("export", file, rendered.error, kExitIncomplete);
        }
    }
    return kExitDone;
}

int runPrint(std::span<const std::string> args) {
    std::string file;
    std::string printer;
    int copies = 1;
    std::string road = "tarnelo";
    bool force = false;
    bool pagesOk = false;
    bool optionsEnded = false;
    ThreePointRule threePoint = ThreePointRule::Equal;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool valued = !optionsEnded && i + 1 < args.size();
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--force") {
            force = true;
        } else if (!optionsEnded && arg == "--pages-ok") {
            pagesOk = true;
        } else if (valued && arg == "--three-point" && threePointRuleNamed(args[i + 1])) {
            threePoint = *threePointRuleNamed(args[++i]);
        } else if (valued && arg == "--printer" && !args[i + 1].empty()) {
            printer = args[++i];
        } else if (valued && arg == "--copies" && args[i + 1].size() <= 3 &&
                   args[i + 1].find_first_not_of("0123456789") == std::string::npos &&
                   std::stoi(args[i + 1]) >= 1) {
            copies = std::stoi(args[++i]);
        } else if (valued && arg == "--renderer" &&
                   (args[i + 1] == "tarnelo" || args[i + 1] == "libreoffice" ||
                    args[i + 1] == "spreadsheet")) {
            road = args[++i];
        } else if ((!optionsEnded && arg.rfind('-', 0) == 0) || !file.empty()) {
            std::cerr << "tarnelo-cli print: 无法理解的参数 unexpected argument: "
                      << terminalSafe(arg) << "\n\n"
                      << kPrintHelp;
            return kExitUsage;
        } else {
            file = arg;
        }
    }
    if (file.empty() || (road != "tarnelo" && (!printer.empty() || copies != 1))) {
        std::cerr << kPrintHelp;
        return kExitUsage;
    }
    setWritesFlushedToDisk(false);
    ComputedMeasurement measurement(paths::fromUtf8(file), threePoint);
    // The page renderer prints on the printer asked for; the office road on the default one.
    const std::unique_ptr<PagePrinter> renderer =
        road == "tarnelo" ? pages::rendererPrinter(printer, copies, pagesOk) : nullptr;
    FormOutcome printed;
    const int status = publish("print", file, measurement, {}, force,
                               [&](const FormSheet& form, std::span<const Finding> findings,
                                   const ExportPlace& place, bool withErrors) {
                                   printed =
                                       printForm(form, findings, place, withErrors, renderer.get());
                                   return printed;
                               });
    if (status != kExitDone) {
        return status;
    }
    const std::string name = terminalSafe(printed.printer);
    const char* plural = printed.pages == 1 ? "" : "s";
    if (renderer) {
        std::cout << "已送往打印机“" << name << "”：" << printed.pages << " 页 × " << copies
                  << " 份\nsent " << printed.pages << " page" << plural << " x " << copies
                  << " to printer " << name << "\n";
    } else {
        std::cout << "已送往打印机“" << name << "”：" << printed.pages << " 页，任务 "
                  << printed.job << "\nsent " << printed.pages << " page" << plural
                  << " to printer " << name << ", job " << printed.job << "\n";
    }
    return status;
}

} // namespace

const Subcommand kExport{"export",
                         "填写记载表并保存为工作簿或 PDF fill the record form and write it as a "
                         "workbook or PDF",
                         kExportHelp, runExport};

const Subcommand kPrint{"print", "填写记载表并在默认打印机上打印 fill the record form and print it",
                        kPrintHelp, runPrint};

} // namespace tarnelo::cli
