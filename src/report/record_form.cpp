#include "report/record_form.hpp"
#include "report/record_form_steps.hpp"

#include "checks/checks.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "platform/workbook/package.hpp"
#include "window/program_paths.hpp"

#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tarnelo {

namespace fs = std::filesystem;

namespace form_detail {

// Why the filled form could not be copied to the file the user named.
std::string savingFailed(const fs::path& target, const WriteResult& copy) {
    const std::string& why = copy.problem;
    return "无法保存记载表：" + paths::toUtf8(target) + (why.empty() ? "" : "\n" + why + "。") +
           "\n请检查文件夹是否存在、是否可以写入，或文件是否正被其他程序打开。";
}

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
FormOutcome& tell(UserDialogs& user, FormOutcome& outcome, FormOutcome::Status status,
                  std::string text, std::string_view title, MessageIcon icon) {
    outcome.status = status;
    outcome.message = std::move(text);
    user.showMessage(outcome.message, title, icon);
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

// The checks before a form of the window: refusals, then one question when the input holds
// errors. False when no form is to be made; the outcome says why.
bool chooseForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                std::span<const Finding> findings, std::string_view verb, FormOutcome& outcome) {
    const FormCheck check = checkForm(form, context.programFolder);
    outcome.twoPages = check.twoPages;
    if (!check.refusal.empty()) {
        tell(user, outcome, FormOutcome::Status::Refused, check.refusal, kNotice,
             check.templateMissing ? MessageIcon::None : MessageIcon::Warning);
        return false;
    }
    const std::vector<Finding> errors =
        errorsOf(std::vector<Finding>(findings.begin(), findings.end()));
    if (errors.empty()) {
        return true;
    }
    if (user.ask("记载表中有 " + std::to_string(errors.size()) + " 处错误，仍要" +
                     std::string(verb) + "吗？\n\n" + findingList(errors),
                 kNotice)) {
        return true;
    }
    outcome.status = FormOutcome::Status::Cancelled;
    outcome.message = declined(errors.size(), verb);
    return false;
}

// 注意 findings do not stop a form; the status bar names their count.
void noteNotices(const FormContext& context, std::span<const Finding> findings,
                 std::string_view done) {
    const int notices = countSeverity(findings, Finding::Severity::Notice);
    if (notices > 0 && context.status) {
        context.status(std::string(done) + "，有 " + std::to_string(notices) + " 处需要注意。");
    }
}

FilledForm fillContextForm(const FormContext& context, const FormSheet& form, bool twoPages) {
    return fillForm(form, formPlaceOf(context, twoPages), twoPages);
}

// Writes the filled form to the file the user named; false, with the reason in problem, when it
// was not written.
bool writeFilledForm(xlsx::Workbook& workbook, const fs::path& target, std::string& problem) {
    if (const WriteResult written = workbook.write(target); !written) {
        problem = savingFailed(target, written);
        return false;
    }
    return true;
}

} // namespace form_detail

using namespace form_detail;

FormPlace formPlaceOf(const FormContext& context, bool twoPages) {
    FormPlace place;
    place.templateFile = paths::formTemplate(context.programFolder, twoPages);
    place.workingCopy = paths::formWorkingCopy(context.programFolder, twoPages);
    place.progress = context.progress;
    place.pause = context.pause;
    return place;
}

FormSheet formSheetOf(const Gauging& gauging, const Computation& computation,
                      const RecordHeader& header) {
    FormSheet form;
    form.mode = gauging.mode;
    form.table = computation.table;
    form.signalsPerRevolution = gauging.coefficient(coef::信号转数);
    form.results = computation.results;
    form.header = header;
    form.threePoint = gauging.threePoint;
    return form;
}

FormCheck checkForm(const FormSheet& form, const std::filesystem::path& templateFolder) {
    FormCheck check;
    const Table& sheet = form.table;
    const int n = countFormLines(sheet, form.mode);
    // The form places the first N rows of the sheet: a gap in 起点距 or more rows than the form
    // holds would print a wrong form, so neither is a question.
    if (const int gap = firstDistanceGap(sheet, form.mode); gap >= 0) {
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
    if (n > kTwoPageVerticals && n != countFilledRows(sheet)) {
        check.refusal = "记载表最多容纳 " + std::to_string(kTwoPageVerticals) + " 行，本次测量有 " +
                        std::to_string(n) + " 行（垂线行和测点行），从" +
                        rowName(kTwoPageVerticals) + "起放不下，无法生成记载表。";
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

bool form_detail::chooseForm(const FormSheet& form, std::span<const Finding> findings,
                             const ExportPlace& place, bool withErrors, std::string_view verb,
                             FormOutcome& outcome) {
    const FormCheck check = checkForm(form, place.templateFolder);
    outcome.twoPages = check.twoPages;
    if (!check.refusal.empty()) {
        outcome.status = FormOutcome::Status::Refused;
        outcome.message = check.refusal;
        return false;
    }
    const std::vector<Finding> errors = errorsOf({findings.begin(), findings.end()});
    if (!errors.empty() && !withErrors) {
        outcome.status = FormOutcome::Status::Cancelled;
        outcome.message = declined(errors.size(), verb);
        return false;
    }
    return true;
}

FormPlace form_detail::privatePlace(const ExportPlace& place, bool twoPages) {
    FormPlace fillPlace;
    fillPlace.templateFile = paths::formTemplate(place.templateFolder, twoPages);
    fillPlace.workingCopy = place.workingFolder / paths::formWorkingCopy({}, twoPages).filename();
    return fillPlace;
}

FormOutcome exportForm(const FormSheet& form, std::span<const Finding> findings,
                       const ExportPlace& place, bool withErrors) {
    FormOutcome outcome;
    if (!chooseForm(form, findings, place, withErrors, "导出", outcome)) {
        return outcome;
    }
    outcome.file = place.target;
    FilledForm filled = fillForm(form, privatePlace(place, outcome.twoPages), outcome.twoPages);
    std::string problem = filled.problem;
    if (!filled || !writeFilledForm(*filled.workbook, place.target, problem)) {
        outcome.status = FormOutcome::Status::Failed;
        outcome.message = problem;
        return outcome;
    }
    outcome.status = FormOutcome::Status::Done;
    return outcome;
}

FormOutcome exportComputedForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                               std::span<const Finding> findings) {
    FormOutcome outcome;
    if (!chooseForm(user, context, form, findings, "导出", outcome)) {
        return outcome;
    }
    const bool twoPages = outcome.twoPages;
    const FileChoice choice =
        user.chooseFile(dlg::通用对话框excel, paths::excelFolder(context.documentFolder));
    if (!choice.confirmed || choice.path.empty()) {
        return outcome;
    }
    outcome.file = choice.path;
    const FormPlace place = formPlaceOf(context, twoPages);
    FilledForm filled = fillForm(form, place, twoPages);
    std::string problem = filled.problem;
    const bool written = filled && writeFilledForm(*filled.workbook, choice.path, problem);
    place.finish(written);
    if (!written) {
        return tell(user, outcome, FormOutcome::Status::Failed, problem, kNotice,
                    MessageIcon::Warning);
    }
    outcome.status = FormOutcome::Status::Done;
    noteNotices(context, findings, "记载表已导出");
    return outcome;
}

} // namespace tarnelo
