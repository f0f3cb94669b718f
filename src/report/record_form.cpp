#include "report/record_form.hpp"

#include "checks/checks.hpp"
#include "compute/numtext.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "platform/automation/dispatch.hpp"
#include "platform/automation/host_registry.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/print_host.hpp"
#include "platform/workbook/package.hpp"
#include "report/spreadsheet_automation.hpp"
#include "report/window_view.hpp"
#include "sheet/sheet.hpp"
#include "window/program_paths.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

#include <functional>
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

// Why the filled form could not be copied to the file the user named.
std::string savingFailed(const fs::path& target) {
    const std::string why = lastWriteProblem();
    return "无法保存记载表：" + paths::toUtf8(target) + (why.empty() ? "" : "\n" + why + "。") +
           "\n请检查文件夹是否存在、是否可以写入，或文件是否正被其他程序打开。";
}

// One run of a fill: every cell goes through the wrapper onto the workbook's active sheet.
class FormFill {
  public:
    FormFill(const FormSheet& sheet, const FormPlace& place, bool twoPages)
        : sheet_(sheet), place_(place), twoPages_(twoPages), footer_(twoPages ? 28 : 0),
          header_(sheet.header) {}

    bool run() {
        const fs::path& workingCopy = place_.workingCopy;
        const fs::path& templateFile = place_.templateFile;
        // The working copy is the program's own file: a link in its place is replaced, never
        // followed out of the Data folder.
        const bool copied = copyAtomic(templateFile, workingCopy, AtLink::Replace);
        if (!copied) {
            const std::string why = lastWriteProblem();
            problem_ = "无法写入记载表的工作副本“" + escapedName(workingCopy) + "”" +
                       (why.empty() ? "" : "：" + why) + "。请检查程序的 Data 文件夹是否可以写入。";
        }
        progress(10);
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
            progress(0);
            return false;
        }
        progress(20);
        if (twoPages_) {
            write(1, X, "第 1 页");
            write(26, X, "第 2 页");
        }
        headerCells();
        progress(30);
        const int n = countFilledRows(sheet_.table);
        if (!twoPages_) {
            write(1, X, "第 1 页");
        }
        verticalRows(n);
        progress(50);
        resultCells();
        progress(60);
        sectionCells(n);
        progress(70);
        gauge(1);
        gauge(2);
        progress(80);
        gauge(3);
        gauge(4);
        progress(90);
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
        progress(100);
        if (place_.pause) {
            place_.pause(500);
        }
        progress(0);
        return saved;
    }

    // Why the last run failed, for the user; empty after a run that succeeded.
    const std::string& problem() const { return problem_; }

  private:
    void progress(int value) {
        if (place_.progress) {
            place_.progress(value);
        }
    }

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
        const Table& sheet = sheet_.table;
        const std::string& revolutionsPerSignal = sheet_.signalsPerRevolution;
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
                progress(40);
                write(row, O, revolutionsPerSignal);
            }
            for (int c = col::总转数; c <= col::部分流量; ++c) {
                write(row, P + (c - col::总转数), sheet.cell(r, c));
            }
        }
    }

    void resultCells() {
        const auto& results = sheet_.results;
        write(21 + footer_, M, results[res::断面流量]);
        write(22 + footer_, M, results[res::断面面积]);
        write(20 + footer_, R, results[res::平均流速]);
        write(21 + footer_, R, results[res::最大流速]);
        write(22 + footer_, R, results[res::水面宽]);
        write(23 + footer_, R, results[res::平均水深]);
        write(20 + footer_, U, results[res::最大水深]);
    }

    void sectionCells(int n) {
        writeField(19 + footer_, M, 2, 1);
        writeField(20 + footer_, M, 2, 2);
        writeField(23 + footer_, M, 2, 3);
        if (has(2, 4)) {
            int k = 0;
            for (int r = 0; r < n; ++r) {
                if (sheet_.table.filled(r, col::测点流速)) {
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

    const FormSheet& sheet_;
    const FormPlace& place_;
    bool twoPages_;
    int footer_;
    RecordHeader header_;
    std::string problem_;
};

// The row of the k-th filled distance (k from 1), or -1.
int rowOfVertical(const Table& sheet, int k) {
    for (int r = 0; r < sheet.rowCount(); ++r) {
        if (sheet.filled(r, col::起点距) && --k == 0) {
            return r;
        }
    }
    return -1;
}

std::string rowName(int row) {
    return "第 " + std::to_string(row + 1) + " 行";
}

// A spreadsheet cell holds at most 32,767 characters: a longer text would be left off the form
// without a word, so it is refused, naming the field or cell.
std::optional<std::string> tooLongForTheForm(const FormSheet& form) {
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
    std::size_t index = 0;
    for (const auto& line : form.header) {
        for (const std::string& value : line) {
            if (const std::size_t count = characters(value); count > kMostCharacters) {
                return refusal("测站记录表头的“" + recordHeaderCaption(index) + "”", count);
            }
            ++index;
        }
    }
    const Table& sheet = form.table;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < kRecordColumns; ++c) {
            if (const std::size_t count = characters(sheet.cell(r, c)); count > kMostCharacters) {
                return refusal("第 " + std::to_string(r + 1) + " 行“" +
                                   std::string(columnHeading(c)) + "”",
                               count);
            }
        }
    }
    return std::nullopt;
}

// Shows a message and records it in the outcome.
FormOutcome& tell(Window& window, FormOutcome& outcome, FormOutcome::Status status,
                  std::string text, std::string_view title, MessageIcon icon) {
    outcome.status = status;
    outcome.message = std::move(text);
    window.showMessage(outcome.message, title, icon);
    return outcome;
}

std::vector<Finding> errorsOf(std::vector<Finding> findings) {
    std::erase_if(findings,
                  [](const Finding& f) { return f.severity != Finding::Severity::Error; });
    return findings;
}

std::string declined(std::size_t errors, std::string_view verb) {
    return "记载表中有 " + std::to_string(errors) + " 处错误，没有" + std::string(verb) + "。";
}

// The form of what the window shows: its sheet, fields and the record header in its program
// folder.
FormSheet windowForm(const Window& window) {
    FormSheet form;
    form.table = tableOf(window.sheet());
    form.signalsPerRevolution = window.text(ctl::信号转数编辑框);
    for (std::size_t i = 0; i < kResultCount; ++i) {
        form.results[i] = window.text(ctl::kResultFields[i]);
    }
    form.header = loadRecordHeader(window.programFolder());
    return form;
}

FormPlace windowPlace(Window& window, bool twoPages) {
    FormPlace place;
    place.templateFile = paths::formTemplate(window.programFolder(), twoPages);
    place.workingCopy = paths::formWorkingCopy(window.programFolder(), twoPages);
    place.progress = [&window](int value) { window.setProgress(value); };
    place.pause = [&window](int milliseconds) { window.pause(milliseconds); };
    return place;
}

// The checks before a form of the window: refusals, then one question when the input holds
// errors. False when no form is to be made; the outcome says why.
bool chooseForm(Window& window, const FormSheet& form, std::string_view verb,
                FormOutcome& outcome) {
    const FormCheck check = checkForm(form, window.programFolder());
    outcome.twoPages = check.twoPages;
    if (!check.refusal.empty()) {
        tell(window, outcome, FormOutcome::Status::Refused, check.refusal, kNotice,
             check.templateMissing ? MessageIcon::None : MessageIcon::Warning);
        return false;
    }
    const std::vector<Finding> errors = errorsOf(checkWindow(window));
    if (errors.empty()) {
        return true;
    }
    if (window.ask("记载表中有 " + std::to_string(errors.size()) + " 处错误，仍要" +
                       std::string(verb) + "吗？\n\n" + findingList(errors),
                   kNotice)) {
        return true;
    }
    outcome.status = FormOutcome::Status::Cancelled;
    outcome.message = declined(errors.size(), verb);
    return false;
}

// 注意 findings do not stop a form; the status bar names their count.
void noteNotices(Window& window, std::string_view done) {
    const int notices = countSeverity(checkWindow(window), Finding::Severity::Notice);
    if (notices > 0) {
        window.setStatus(std::string(done) + "，有 " + std::to_string(notices) + " 处需要注意。");
    }
}

bool fillWindowForm(Window& window, bool twoPages, std::string& problem) {
    return fillForm(windowForm(window), windowPlace(window, twoPages), twoPages, problem);
}

} // namespace

int countFilledRows(const Table& table) {
    int n = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.filled(r, col::起点距)) {
            ++n;
        }
    }
    return n;
}

int countFilledRows(const Window& window) {
    return countFilledRows(tableOf(window.sheet()));
}

FormSheet formSheetOf(const Gauging& gauging, const Computation& computation,
                      const RecordHeader& header) {
    FormSheet form;
    form.table = computation.table;
    form.signalsPerRevolution = gauging.coefficient(coef::信号转数);
    form.results = computation.results;
    form.header = header;
    return form;
}

FormCheck checkForm(const FormSheet& form, const std::filesystem::path& templateFolder) {
    FormCheck check;
    const Table& sheet = form.table;
    const int n = countFilledRows(sheet);
    // The form places the first N rows of the sheet: a gap in 起点距 or more rows than the form
    // holds would print a wrong form, so neither is a question.
    if (const int gap = firstDistanceGap(sheet); gap >= 0) {
        int next = gap;
        while (sheet.cell(next, col::起点距).empty()) {
            ++next;
        }
        check.refusal =
            rowName(gap) + "的起点距为空，而下面" + rowName(next) +
            "还有起点距：记载表按表格的前几行排列垂线，会把垂线放错，无法生成记载表。请删去"
            "空行后重新计算。";
        return check;
    }
    if (n > kTwoPageVerticals) {
        check.refusal = "记载表最多容纳 " + std::to_string(kTwoPageVerticals) +
                        " 条垂线，本次测量有 " + std::to_string(n) + " 条（起点距不为空的行），从" +
                        rowName(rowOfVertical(sheet, kTwoPageVerticals + 1)) +
                        "起放不下，无法生成记载表。";
        return check;
    }
    check.twoPages = n > kSinglePageVerticals;
    if (const auto tooLong = tooLongForTheForm(form)) {
        check.refusal = *tooLong;
        return check;
    }
    std::error_code ec;
    if (!fs::is_regular_file(paths::formTemplate(templateFolder, check.twoPages), ec)) {
        check.refusal = std::string(kTemplateMissing);
        check.templateMissing = true;
    }
    return check;
}

bool fillForm(const FormSheet& form, const FormPlace& place, bool twoPages, std::string& problem) {
    FormFill fill(form, place, twoPages);
    const bool filled = fill.run();
    problem = fill.problem();
    return filled;
}

bool fillSinglePageForm(Window& window) {
    std::string problem;
    return fillWindowForm(window, false, problem);
}

bool fillTwoPageForm(Window& window) {
    std::string problem;
    return fillWindowForm(window, true, problem);
}

FormOutcome exportForm(const FormSheet& form, std::span<const Finding> findings,
                       const ExportPlace& place, bool withErrors) {
    FormOutcome outcome;
    const FormCheck check = checkForm(form, place.templateFolder);
    outcome.twoPages = check.twoPages;
    if (!check.refusal.empty()) {
        outcome.status = FormOutcome::Status::Refused;
        outcome.message = check.refusal;
        return outcome;
    }
    const std::vector<Finding> errors = errorsOf({findings.begin(), findings.end()});
    if (!errors.empty() && !withErrors) {
        outcome.status = FormOutcome::Status::Cancelled;
        outcome.message = declined(errors.size(), "导出");
        return outcome;
    }
    outcome.file = place.target;
    FormPlace fillPlace;
    fillPlace.templateFile = paths::formTemplate(place.templateFolder, check.twoPages);
    fillPlace.workingCopy =
        place.workingFolder / paths::formWorkingCopy({}, check.twoPages).filename();
    std::string problem;
    if (!fillForm(form, fillPlace, check.twoPages, problem)) {
        outcome.status = FormOutcome::Status::Failed;
        outcome.message = problem;
        return outcome;
    }
    if (!copyAtomic(fillPlace.workingCopy, place.target)) {
        outcome.status = FormOutcome::Status::Failed;
        outcome.message = savingFailed(place.target);
        return outcome;
    }
    outcome.status = FormOutcome::Status::Done;
    return outcome;
}

FormOutcome exportCommand(Window& window) {
    FormOutcome outcome;
    if (!chooseForm(window, windowForm(window), "导出", outcome)) {
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
    if (!fillWindowForm(window, twoPages, fillProblem)) {
        return tell(window, outcome, FormOutcome::Status::Failed, fillProblem, kNotice,
                    MessageIcon::Warning);
    }
    if (!copyAtomic(paths::formWorkingCopy(window.programFolder(), twoPages), choice.path)) {
        return tell(window, outcome, FormOutcome::Status::Failed, savingFailed(choice.path),
                    kNotice, MessageIcon::Warning);
    }
    outcome.status = FormOutcome::Status::Done;
    noteNotices(window, "记载表已导出");
    return outcome;
}

namespace {

// How a message of the print road is to be shown: its box's title and icon.
struct PrintNotice {
    std::string_view title;
    MessageIcon icon = MessageIcon::None;
};

// The print road: the host, the checks (`choose`), the fill of the working copy (`fill`, which
// names the copy) and the pages on the default printer. Messages the user must see come back
// in the outcome, with how to show them in `notice`.
FormOutcome printFilledForm(const std::function<bool(FormOutcome&)>& choose,
                            const std::function<bool(bool, std::string&, fs::path&)>& fill,
                            PrintNotice& notice) {
    using namespace automation;
    FormOutcome outcome;
    const auto fail = [&](FormOutcome::Status status, std::string message, MessageIcon icon) {
        outcome.status = status;
        outcome.message = std::move(message);
        notice = {"信息：", icon};
        return outcome;
    };
    if (const std::string why = printingUnavailable(); !why.empty()) {
        return fail(FormOutcome::Status::Refused, why, MessageIcon::Information);
    }
    registerPrintHostIfAbsent();
    Dispatch application = createObject(kPrintProgId);
    if (!application) {
        return fail(FormOutcome::Status::Refused, std::string(kNoSpreadsheet),
                    MessageIcon::Warning);
    }
    if (!choose(outcome)) {
        call(application, "Quit");
        return outcome;
    }
    const bool twoPages = outcome.twoPages;
    std::string fillProblem;
    fs::path workingCopy;
    const bool filled = fill(twoPages, fillProblem, workingCopy);
    const Dispatch workbooks = get(application, "Workbooks").object();
    Dispatch workbook = call(workbooks, "Add").object();
    Dispatch sheets = get(workbook, "Sheets").object();
    Dispatch first = get(sheets, "Item", {Variant(std::int32_t{1})}).object();
    workbook = call(workbooks, "Open", {paths::toUtf8(workingCopy)}).object();
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
        return fail(FormOutcome::Status::Failed, problem, MessageIcon::Warning);
    }
    outcome.status = FormOutcome::Status::Done;
    return outcome;
}

} // namespace

FormOutcome printCommand(Window& window) {
    PrintNotice notice;
    FormOutcome outcome = printFilledForm(
        [&](FormOutcome& chosen) { return chooseForm(window, windowForm(window), "打印", chosen); },
        [&](bool twoPages, std::string& problem, fs::path& workingCopy) {
            workingCopy = paths::formWorkingCopy(window.programFolder(), twoPages);
            return fillWindowForm(window, twoPages, problem);
        },
        notice);
    if (!notice.title.empty()) {
        window.showMessage(outcome.message, notice.title, notice.icon);
    } else if (outcome.status == FormOutcome::Status::Done) {
        noteNotices(window, "记载表已送往打印机");
    }
    return outcome;
}

FormOutcome printForm(const FormSheet& form, std::span<const Finding> findings,
                      const ExportPlace& place, bool withErrors) {
    PrintNotice notice;
    return printFilledForm(
        [&](FormOutcome& chosen) {
            const FormCheck check = checkForm(form, place.templateFolder);
            chosen.twoPages = check.twoPages;
            if (!check.refusal.empty()) {
                chosen.status = FormOutcome::Status::Refused;
                chosen.message = check.refusal;
                return false;
            }
            const std::vector<Finding> errors = errorsOf({findings.begin(), findings.end()});
            if (!errors.empty() && !withErrors) {
                chosen.status = FormOutcome::Status::Cancelled;
                chosen.message = declined(errors.size(), "打印");
                return false;
            }
            return true;
        },
        [&](bool twoPages, std::string& problem, fs::path& workingCopy) {
            FormPlace fillPlace;
            fillPlace.templateFile = paths::formTemplate(place.templateFolder, twoPages);
            fillPlace.workingCopy =
                place.workingFolder / paths::formWorkingCopy({}, twoPages).filename();
            workingCopy = fillPlace.workingCopy;
            return fillForm(form, fillPlace, twoPages, problem);
        },
        notice);
}

} // namespace tarnelo
