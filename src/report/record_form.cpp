#include "report/record_form.hpp"

#include "compute/checks.hpp"
#include "compute/numtext.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "platform/automation/dispatch.hpp"
#include "platform/automation/host_registry.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/print_host.hpp"
#include "platform/workbook/package.hpp"
#include "report/spreadsheet_automation.hpp"
#include "sheet/sheet.hpp"
#include "window/program_paths.hpp"
#include "window/window.hpp"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tarnelo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNotice = "提示：";
constexpr std::string_view kTemplateMissing = "excel模板丢失，请重新安装本软件。";
constexpr std::string_view kNoSpreadsheet =
    "您需要在计算机上安装 LibreOffice（或 EXCEL）程序才能进行操作！";

// Form columns (A = 1 ... Y = 25).
enum FormColumn : int {
    A = 1,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    V,
    W,
    X,
    Y
};

// Copies a file so that the target is either the old file or the complete new one.
bool copyAtomic(const fs::path& from, const fs::path& to, AtLink atLink = AtLink::WriteThrough) {
    const auto bytes = readFileBytes(from);
    return bytes && writeFileAtomic(to, *bytes, atLink);
}

// One run of a fill: every cell goes through the wrapper onto the workbook's active sheet.
class FormFill {
  public:
    FormFill(Window& window, bool twoPages)
        : window_(window), twoPages_(twoPages), footer_(twoPages ? 28 : 0) {}

    bool run() {
        const fs::path folder = window_.programFolder();
        const fs::path workingCopy = paths::formWorkingCopy(folder, twoPages_);
        const fs::path templateFile = paths::formTemplate(folder, twoPages_);
        // The working copy is the program's own file: a link in its place is replaced, never
        // followed out of the Data folder.
        const bool copied = copyAtomic(templateFile, workingCopy, AtLink::Replace);
        if (!copied) {
            const std::string why = lastWriteProblem();
            problem_ = "无法写入记载表的工作副本“" + escapedName(workingCopy) + "”" +
                       (why.empty() ? "" : "：" + why) + "。请检查程序的 Data 文件夹是否可以写入。";
        }
        window_.setProgress(10);
        header_ = loadRecordHeader(folder);
        SpreadsheetAutomation& xl = spreadsheetAutomation();
        xl.CreateApplication();
        const bool opened =
            static_cast<bool>(xl.OpenWorkbook(paths::toUtf8(workingCopy), "", false));
        if (copied && !opened) {
            // The copy is the template byte for byte: what cannot be opened is the template.
            std::string error = automation::lastError();
            const auto colon = error.find("：");
            if (colon != std::string::npos) {
                error.erase(0, colon + 3);
            }
            // The reason names the working copy; the user knows the template.
            const std::string copyName = escapedName(workingCopy);
            const std::string ownName = escapedName(templateFile);
            for (auto at = error.find(copyName); at != std::string::npos;
                 at = error.find(copyName, at + ownName.size())) {
                error.replace(at, copyName.size(), ownName);
            }
            problem_ = "excel模板已损坏：“" + escapedName(templateFile) + "”（" + error +
                       "）。请重新安装本软件。";
        }
        if (copied && opened && problem_.empty()) {
            // The form needs no macro, link or formula: a template carrying one is not ours.
            std::vector<xlsx::RawPart> parts;
            std::string unreadable;
            if (xlsx::readPackage(templateFile, parts, unreadable)) {
                if (const auto active = xlsx::activeContentIn(parts)) {
                    problem_ = "excel模板已损坏：“" + escapedName(templateFile) + "”（" + *active +
                               "，记载表不需要）。请重新安装本软件。";
                }
            }
        }
        if (!problem_.empty()) {
            xl.CloseWorkbooks();
            xl.QuitApplication();
            window_.setProgress(0);
            return false;
        }
        window_.setProgress(20);
        if (twoPages_) {
            write(1, X, "第 1 页");
            write(26, X, "第 2 页");
        }
        headerCells();
        window_.setProgress(30);
        const int n = countFilledRows(window_);
        if (!twoPages_) {
            write(1, X, "第 1 页");
        }
        verticalRows(n);
        window_.setProgress(50);
        resultCells();
        window_.setProgress(60);
        sectionCells(n);
        window_.setProgress(70);
        gauge(1);
        gauge(2);
        window_.setProgress(80);
        gauge(3);
        gauge(4);
        window_.setProgress(90);
        writeField(24 + footer_, M, 4, 1);
        writeField(25 + footer_, C, 4, 2);
        writeField(25 + footer_, X, 4, 3);
        xl.SaveWorkbook();
        const bool saved = automation::lastError().empty();
        if (!saved) {
            problem_ = "无法保存记载表的工作副本“" + paths::toUtf8(workingCopy) + "”：" +
                       automation::lastError() + "。请检查程序的 Data 文件夹是否可以写入。";
        }
        xl.CloseWorkbooks();
        xl.QuitApplication();
        window_.setProgress(100);
        window_.pause(500);
        window_.setProgress(0);
        return saved;
    }

    // Why the last run failed, for the user; empty after a run that succeeded.
    const std::string& problem() const { return problem_; }

  private:
    void write(int row, int column, const std::string& text) {
        SpreadsheetAutomation& xl = spreadsheetAutomation();
        std::string sheetName;
        const int sheet = xl.GetActiveSheet(sheetName);
        xl.SetCell(sheet, row, column, text);
    }

    std::string field(int line, int pos) const { return headerField(header_, line, pos); }
    bool has(int line, int pos) const { return hasValue(field(line, pos)); }

    // Writes a header field as it stands, when it has a value.
    void writeField(int row, int column, int line, int pos) {
        if (has(line, pos)) {
            write(row, column, field(line, pos));
        }
    }

    void headerCells() {
        writeField(1, F, 1, 1);
        if (twoPages_) {
            writeField(26, F, 1, 1);
        }
        writeField(2, C, 1, 2);
        writeField(2, K, 1, 3);
        writeField(2, O, 1, 4);
        if (has(1, 5) && has(1, 6)) {
            write(2, T, "牌号：" + field(1, 5) + "  " + field(1, 6));
        }
        if (has(1, 7)) {
            write(3, E, field(1, 7) + "  次");
        }
        if (has(1, 8)) {
            write(3, G, "流速仪轴至铅鱼底距离 " + field(1, 8) + " cm");
        }
        if (has(1, 9)) {
            write(3, M, "铅鱼重量 " + field(1, 9) + " kg");
        }
        if (has(1, 10) && has(1, 11)) {
            write(3, Q, "停表牌号 " + field(1, 10) + " 10分钟+- " + field(1, 11) + " s");
        }
        writeField(3, X, 1, 12);
    }

    int formRow(int vertical) const {
        return twoPages_ && vertical > 20 ? 6 + vertical : 5 + vertical;
    }

    void verticalRows(int n) {
        const Sheet& sheet = window_.sheet();
        const std::string revolutionsPerSignal = window_.text(ctl::信号转数编辑框);
        for (int i = 1; i <= n; ++i) {
            const int row = formRow(i);
            const int r = i - 1;
            if (i == 1) {
                write(row, A, "水边");
            }
            if (i == n) {
                write(row, A, "水边");
            }
            if (i > 1 && i < n) {
                write(row, A, num::plainText(i - 1));
                write(row, B, sheet.cell(r, col::号数));
            }
            write(row, C, sheet.cell(r, col::起点距));
            write(row, H, sheet.cell(r, col::水深));
            write(row, I, sheet.cell(r, col::相对));
            write(row, J, sheet.cell(r, col::测点深));
            write(row, K, sheet.cell(r, col::N));
            write(row, L, sheet.cell(r, col::T));
            if (!sheet.cell(r, col::N).empty()) {
                window_.setProgress(40);
                write(row, O, revolutionsPerSignal);
            }
            for (int c = col::总转数; c <= col::部分流量; ++c) {
                write(row, P + (c - col::总转数), sheet.cell(r, c));
            }
        }
    }

    void resultCells() {
        write(21 + footer_, M, window_.text(ctl::断面流量));
        write(22 + footer_, M, window_.text(ctl::断面面积));
        write(20 + footer_, R, window_.text(ctl::平均流速));
        write(21 + footer_, R, window_.text(ctl::最大流速));
        write(22 + footer_, R, window_.text(ctl::水面宽));
        write(23 + footer_, R, window_.text(ctl::平均水深));
        write(20 + footer_, U, window_.text(ctl::最大水深));
    }

    void sectionCells(int n) {
        writeField(19 + footer_, M, 2, 1);
        writeField(20 + footer_, M, 2, 2);
        writeField(23 + footer_, M, 2, 3);
        if (has(2, 4)) {
            int k = 0;
            for (int r = 0; r < n; ++r) {
                if (!window_.sheet().cell(r, col::测点流速).empty()) {
                    ++k;
                }
            }
            write(19 + footer_, Q,
                  "流速仪（ " + field(2, 4) + " ）测速垂线数/0.0、0.6或测点总数 " +
                      num::plainText(k) + " / 0.6");
        }
        writeField(21 + footer_, U, 2, 5);
        writeField(21 + footer_, Y, 2, 6);
        writeField(22 + footer_, U, 2, 7);
        writeField(23 + footer_, U, 2, 8);
    }

    // Gauge k: number, readings at start and end, zero elevation; the mean of the readings and
    // the stage, each rounded half to even, the stage from the mean as written.
    void gauge(int k) {
        const int row = 20 + k + footer_;
        const int first = 4 * k - 3;
        writeField(row, C, 3, first);
        writeField(row, D, 3, first + 1);
        writeField(row, E, 3, first + 2);
        writeField(row, G, 3, first + 3);
        if (has(3, first + 1) && has(3, first + 2) && has(3, first + 3)) {
            const double mean = num::roundHalfEven(
                (num::numberOf(field(3, first + 1)) + num::numberOf(field(3, first + 2))) / 2, 2);
            const std::string meanText = num::fixedText(mean, 2);
            write(row, F, meanText);
            const double stage =
                num::roundHalfEven(num::numberOf(meanText) + num::numberOf(field(3, first + 3)), 2);
            write(row, I, num::fixedText(stage, 2));
        }
    }

    Window& window_;
    bool twoPages_;
    int footer_;
    RecordHeader header_;
    std::string problem_;
};

// Shows a message and records it in the outcome.
FormOutcome& tell(Window& window, FormOutcome& outcome, FormOutcome::Status status,
                  std::string text, std::string_view title, MessageIcon icon) {
    outcome.status = status;
    outcome.message = std::move(text);
    window.showMessage(outcome.message, title, icon);
    return outcome;
}

// The row of the k-th filled distance (k from 1), or -1.
int rowOfVertical(const Sheet& sheet, int k) {
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (!sheet.cell(r, col::起点距).empty() && --k == 0) {
            return r;
        }
    }
    return -1;
}

std::string rowName(int row) {
    return "第 " + std::to_string(row + 1) + " 行";
}

// The form places the first N rows of the sheet: a gap in 起点距 or more rows than the form
// holds would print a wrong form, so neither is a question.
bool refuseMisplacedRows(Window& window, int n, FormOutcome& outcome) {
    const Sheet& sheet = window.sheet();
    if (const int gap = firstDistanceGap(window); gap >= 0) {
        int next = gap;
        while (sheet.cell(next, col::起点距).empty()) {
            ++next;
        }
        tell(window, outcome, FormOutcome::Status::Refused,
             rowName(gap) + "的起点距为空，而下面" + rowName(next) +
                 "还有起点距：记载表按表格的前几行排列垂线，会把垂线放错，无法生成记载表。请删去"
                 "空行后重新计算。",
             kNotice, MessageIcon::Warning);
        return true;
    }
    if (n > kTwoPageVerticals) {
        tell(window, outcome, FormOutcome::Status::Refused,
             "记载表最多容纳 " + std::to_string(kTwoPageVerticals) + " 条垂线，本次测量有 " +
                 std::to_string(n) + " 条（起点距不为空的行），从" +
                 rowName(rowOfVertical(sheet, kTwoPageVerticals + 1)) +
                 "起放不下，无法生成记载表。",
             kNotice, MessageIcon::Warning);
        return true;
    }
    return false;
}

// Asks once when the input holds errors; false when the user declines.
bool confirmErrors(Window& window, std::string_view verb, FormOutcome& outcome) {
    std::vector<Finding> errors = checkMeasurement(window);
    std::erase_if(errors, [](const Finding& f) { return f.severity != Finding::Severity::Error; });
    if (errors.empty()) {
        return true;
    }
    const std::string count = std::to_string(errors.size());
    if (window.ask("记载表中有 " + count + " 处错误，仍要" + std::string(verb) + "吗？\n\n" +
                       findingList(errors),
                   kNotice)) {
        return true;
    }
    outcome.status = FormOutcome::Status::Cancelled;
    outcome.message = "记载表中有 " + count + " 处错误，没有" + std::string(verb) + "。";
    return false;
}

// A spreadsheet cell holds at most 32,767 characters: a longer text would be left off the form
// without a word, so it is refused, naming the field or cell.
std::optional<std::string> tooLongForTheForm(const Window& window) {
    constexpr std::size_t kMostCharacters = 32767;
    const auto characters = [](std::string_view text) {
        std::size_t count = 0;
        for (const char c : text) {
            count += (static_cast<unsigned char>(c) & 0xc0) != 0x80 ? 1 : 0;
        }
        return count;
    };
    const auto refusal = [&](const std::string& what, std::size_t count) {
        return what + "有 " + std::to_string(count) + " 个字符，超过表格单元格 " +
               std::to_string(kMostCharacters) + " 个字符的上限，无法写入记载表。请缩短后再试。";
    };
    const RecordHeader header = loadRecordHeader(window.programFolder());
    std::size_t index = 0;
    for (const auto& line : header) {
        for (const std::string& value : line) {
            if (const std::size_t count = characters(value); count > kMostCharacters) {
                return refusal("测站记录表头的“" + recordHeaderCaption(index) + "”", count);
            }
            ++index;
        }
    }
    const Sheet& sheet = window.sheet();
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            if (const std::size_t count = characters(sheet.cell(r, c)); count > kMostCharacters) {
                return refusal("第 " + std::to_string(r + 1) + " 行“" +
                                   std::string(Sheet::heading(c)) + "”",
                               count);
            }
        }
    }
    return std::nullopt;
}

bool chooseForm(Window& window, int n, std::string_view verb, FormOutcome& outcome) {
    if (refuseMisplacedRows(window, n, outcome)) {
        return false;
    }
    outcome.twoPages = n > kSinglePageVerticals;
    if (const auto tooLong = tooLongForTheForm(window)) {
        tell(window, outcome, FormOutcome::Status::Refused, *tooLong, kNotice,
             MessageIcon::Warning);
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(paths::formTemplate(window.programFolder(), outcome.twoPages), ec)) {
        tell(window, outcome, FormOutcome::Status::Refused, std::string(kTemplateMissing), kNotice,
             MessageIcon::None);
        return false;
    }
    return confirmErrors(window, verb, outcome);
}

// 注意 findings do not stop a form; the status bar names their count.
void noteNotices(Window& window, std::string_view done) {
    const int notices = countSeverity(checkMeasurement(window), Finding::Severity::Notice);
    if (notices > 0) {
        window.setStatus(std::string(done) + "，有 " + std::to_string(notices) + " 处需要注意。");
    }
}

bool fill(Window& window, bool twoPages, std::string& problem) {
    FormFill form(window, twoPages);
    const bool filled = form.run();
    problem = form.problem();
    return filled;
}

} // namespace

int countFilledRows(const Window& window) {
    const Sheet& sheet = window.sheet();
    int n = 0;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (!sheet.cell(r, col::起点距).empty()) {
            ++n;
        }
    }
    return n;
}

bool fillSinglePageForm(Window& window) {
    return FormFill(window, false).run();
}

bool fillTwoPageForm(Window& window) {
    return FormFill(window, true).run();
}

FormOutcome exportCommand(Window& window) {
    FormOutcome outcome;
    if (!chooseForm(window, countFilledRows(window), "导出", outcome)) {
        return outcome;
    }
    const bool twoPages = outcome.twoPages;
    const FileChoice choice =
        window.chooseFile(dlg::通用对话框excel, paths::excelFolder(window.documentFolder()));
    if (!choice.confirmed || choice.path.empty()) {
        return outcome;
    }
    outcome.file = choice.path;
    std::string fillProblem;
    if (!fill(window, twoPages, fillProblem)) {
        return tell(window, outcome, FormOutcome::Status::Failed, fillProblem, kNotice,
                    MessageIcon::Warning);
    }
    if (!copyAtomic(paths::formWorkingCopy(window.programFolder(), twoPages), choice.path)) {
        const std::string why = lastWriteProblem();
        return tell(window, outcome, FormOutcome::Status::Failed,
                    "无法保存记载表：" + paths::toUtf8(choice.path) +
                        (why.empty() ? "" : "\n" + why + "。") +
                        "\n请检查文件夹是否存在、是否可以写入，或文件是否正被其他程序打开。",
                    kNotice, MessageIcon::Warning);
    }
    outcome.status = FormOutcome::Status::Done;
    noteNotices(window, "记载表已导出");
    return outcome;
}

FormOutcome printCommand(Window& window) {
    using namespace automation;
    FormOutcome outcome;
    if (const std::string why = printingUnavailable(); !why.empty()) {
        return tell(window, outcome, FormOutcome::Status::Refused, why, "信息：",
                    MessageIcon::Information);
    }
    registerPrintHostIfAbsent();
    Dispatch application = createObject(kPrintProgId);
    if (!application) {
        return tell(window, outcome, FormOutcome::Status::Refused, std::string(kNoSpreadsheet),
                    "信息：", MessageIcon::Warning);
    }
    if (!chooseForm(window, countFilledRows(window), "打印", outcome)) {
        call(application, "Quit");
        return outcome;
    }
    const bool twoPages = outcome.twoPages;
    std::string fillProblem;
    const bool filled = fill(window, twoPages, fillProblem);
    const Dispatch workbooks = get(application, "Workbooks").object();
    Dispatch workbook = call(workbooks, "Add").object();
    Dispatch sheets = get(workbook, "Sheets").object();
    Dispatch first = get(sheets, "Item", {Variant(std::int32_t{1})}).object();
    workbook = call(workbooks, "Open",
                    {paths::toUtf8(paths::formWorkingCopy(window.programFolder(), twoPages))})
                   .object();
    sheets = get(workbook, "Sheets").object();
    put(application, "Visible", {Variant(false)});
    const PrinterLookup lookup = filled ? findDefaultPrinter() : PrinterLookup{};
    const std::string& printer = lookup.name;
    std::string problem;
    if (!filled) {
        problem = fillProblem;
    } else if (!lookup.problem.empty()) {
        problem = lookup.problem + "，记载表没有打印。请检查打印服务是否在运行。";
    } else if (printer.empty()) {
        problem = "没有找到默认打印机，记载表没有打印。请先在系统中安装打印机并设为默认打印机。";
    } else {
        const std::int32_t pages = twoPages ? 2 : 1;
        call(sheets, "PrintOut",
             {Variant(std::int32_t{1}), Variant(pages), Variant(std::int32_t{1}), Variant(false),
              Variant(printer), Variant(false), Variant(false), Variant("")});
        if (!lastError().empty()) {
            // The host names the member that failed ("PrintOut：…"); the user needs the reason.
            const std::string error = lastError();
            const auto colon = error.find("：");
            problem = "打印失败：" + (colon == std::string::npos ? error : error.substr(colon + 3));
            if (!problem.ends_with("。")) {
                problem += "。";
            }
        }
    }
    call(workbooks, "Close");
    first.release();
    sheets.release();
    workbook.release();
    call(application, "Quit");
    application.release();
    if (!problem.empty()) {
        return tell(window, outcome, FormOutcome::Status::Failed, problem, "信息：",
                    MessageIcon::Warning);
    }
    outcome.status = FormOutcome::Status::Done;
    noteNotices(window, "记载表已送往打印机");
    return outcome;
}

} // namespace tarnelo
