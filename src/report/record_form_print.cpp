#include "report/record_form.hpp"
#include "report/record_form_steps.hpp"

#include "checks/checks.hpp"
#include "files/file_io.hpp"
#include "files/record_header.hpp"
#include "measure/numtext.hpp"
#include "platform/automation/dispatch.hpp"
#include "platform/automation/host_registry.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/print_host.hpp"
#include "platform/workbook/package.hpp"
#include "report/spreadsheet_automation.hpp"
#include "window/program_paths.hpp"

#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tarnelo {

namespace fs = std::filesystem;

using namespace form_detail;

namespace {

// How a message of the print road is to be shown: its box's title and icon.
struct PrintNotice {
    std::string_view title;
    MessageIcon icon = MessageIcon::None;
};

// The print road: the host, the checks (`choose`), the fill of the working copy (`fill`, which
// names the copy) and the pages on the default printer. Messages the user must see come back
// in the outcome, with how to show them in `notice`. The waits for the renderer and the print
// service ask keepWaiting (sys::Waiting).
FormOutcome printFilledForm(const std::function<bool(FormOutcome&)>& choose,
                            const std::function<bool(bool, std::string&, fs::path&)>& fill,
                            const sys::KeepWaiting& keepWaiting, PrintNotice& notice) {
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
    Dispatch application = startPrintHost(keepWaiting).object();
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
    PrintServiceLimits limits;
    limits.keepWaiting = keepWaiting;
    const PrinterLookup lookup = filled ? findDefaultPrinter(limits) : PrinterLookup{};
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
        const Outcome printed =
            call(sheets, "PrintOut",
                 {Variant(std::int32_t{1}), Variant(pages), Variant(std::int32_t{1}),
                  Variant(false), Variant(printer), Variant(false), Variant(false), Variant("")});
        if (!printed.error.empty()) {
            // The host names the member that failed ("PrintOut：…"); the user needs the reason.
            const std::string& error = printed.error;
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
    outcome.printer = printer;
    return outcome;
}

} // namespace

FormOutcome printComputedForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                              std::span<const Finding> findings,
                              const sys::KeepWaiting& keepWaiting) {
    PrintNotice notice;
    FormOutcome outcome = printFilledForm(
        [&](FormOutcome& chosen) {
            return chooseForm(user, context, form, findings, "打印", chosen);
        },
        [&](bool twoPages, std::string& problem, fs::path& workingCopy) {
            workingCopy = paths::formWorkingCopy(context.programFolder, twoPages);
            return fillContextForm(context, form, twoPages, problem);
        },
        keepWaiting, notice);
    if (!notice.title.empty()) {
        user.showMessage(outcome.message, notice.title, notice.icon);
    } else if (outcome.status == FormOutcome::Status::Done) {
        noteNotices(context, findings, "记载表已送往打印机");
    }
    return outcome;
}

FormOutcome printForm(const FormSheet& form, std::span<const Finding> findings,
                      const ExportPlace& place, bool withErrors) {
    PrintNotice notice;
    return printFilledForm(
        [&](FormOutcome& chosen) {
            return chooseForm(form, findings, place, withErrors, "打印", chosen);
        },
        [&](bool twoPages, std::string& problem, fs::path& workingCopy) {
            const FormPlace fillPlace = privatePlace(place, twoPages);
            workingCopy = fillPlace.workingCopy;
            return fillForm(form, fillPlace, twoPages, problem);
        },
        {}, notice);
}

} // namespace tarnelo
