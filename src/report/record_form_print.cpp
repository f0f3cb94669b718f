#include "report/record_form.hpp"
#include "report/record_form_steps.hpp"

#include "checks/checks.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/page_printer.hpp"

#include <functional>
#include <string>

namespace tarnelo {

namespace fs = std::filesystem;

using namespace form_detail;

namespace {

// How a message of the print road is to be shown: its box's title and icon.
struct PrintNotice {
    std::string_view title;
    MessageIcon icon = MessageIcon::None;
};

// The reason a road gave, as a sentence for the user.
std::string printFailed(const std::string& error) {
    std::string problem = "打印失败：" + error;
    if (!problem.ends_with("。")) {
        problem += "。";
    }
    return problem;
}

// The default printer, or why the pages cannot go to one.
std::string defaultPrinter(const sys::KeepWaiting& keepWaiting, std::string& printer) {
    PrintServiceLimits limits;
    limits.keepWaiting = keepWaiting;
    const PrinterLookup lookup = findDefaultPrinter(limits);
    printer = lookup.name;
    if (!lookup.problem.empty()) {
        return lookup.problem + "，记载表没有打印。请检查打印服务是否在运行。";
    }
    if (printer.empty()) {
        return "没有找到默认打印机，记载表没有打印。请先在系统中安装打印机并设为默认打印机。";
    }
    return {};
}

// The print road: the checks (`choose`), the fill in memory (`place` names the template, and the
// working copy a road outside the program prints from) and the pages on the default printer by
// `road` (the office road of this computer when none is given). Messages the user must see come
// back in the outcome, with how to show them in `notice`. The waits for other programs and the
// print service ask keepWaiting (sys::Waiting).
FormOutcome printFilledForm(PagePrinter* road, const FormSheet& form,
                            const std::function<bool(FormOutcome&)>& choose,
                            const std::function<FormPlace(bool)>& place,
                            const sys::KeepWaiting& keepWaiting, PrintNotice& notice) {
    FormOutcome outcome;
    const auto fail = [&](FormOutcome::Status status, std::string message, MessageIcon icon) {
        outcome.status = status;
        outcome.message = std::move(message);
        notice = {"信息：", icon};
        return outcome;
    };
    std::unique_ptr<PagePrinter> office;
    if (road == nullptr) {
        if (const std::string why = printingUnavailable(); !why.empty()) {
            return fail(FormOutcome::Status::Refused, why, MessageIcon::Information);
        }
        office = findPagePrinter();
        road = office.get();
    }
    if (road == nullptr) {
        return fail(FormOutcome::Status::Refused, std::string(kNoSpreadsheet),
                    MessageIcon::Warning);
    }
    if (!choose(outcome)) {
        return outcome;
    }
    const FormPlace where = place(outcome.twoPages);
    FilledForm filled = fillForm(form, where, outcome.twoPages);
    std::string problem = filled.problem;
    if (filled && road->needsFile()) {
        writeWorkingCopy(*filled.workbook, where, problem);
    }
    // The form is made: the bar shows it whole and rests before the pages go to the printer.
    where.finish(problem.empty());
    // The office roads print on the default printer; the page renderer knows its own.
    std::string printer;
    if (problem.empty() && road->needsFile()) {
        problem = defaultPrinter(keepWaiting, printer);
    }
    PagesPrinted printed;
    if (problem.empty()) {
        PageRequest request;
        request.form = filled.workbook.get();
        request.workbook = where.workingCopy;
        request.to = outcome.twoPages ? 2 : 1;
        request.printer = printer;
        request.keepWaiting = keepWaiting;
        printed = road->print(request);
        if (printed.refused) {
            return fail(FormOutcome::Status::Refused, printed.error, MessageIcon::Warning);
        }
        if (!printed.ok) {
            problem = road->needsFile() ? printFailed(printed.error) : printed.error;
        }
    }
    if (!problem.empty()) {
        return fail(FormOutcome::Status::Failed, problem, MessageIcon::Warning);
    }
    outcome.status = FormOutcome::Status::Done;
    outcome.printer = printed.printer.empty() ? printer : printed.printer;
    outcome.pages = printed.pages;
    outcome.job = printed.job;
    return outcome;
}

} // namespace

FormOutcome printComputedForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                              std::span<const Finding> findings,
                              const sys::KeepWaiting& keepWaiting, PagePrinter* road) {
    PrintNotice notice;
    FormOutcome outcome = printFilledForm(
        road, form,
        [&](FormOutcome& chosen) {
            return chooseForm(user, context, form, findings, "打印", chosen);
        },
        [&](bool twoPages) { return formPlaceOf(context, twoPages); }, keepWaiting, notice);
    if (!notice.title.empty()) {
        user.showMessage(outcome.message, notice.title, notice.icon);
    } else if (outcome.status == FormOutcome::Status::Done) {
        noteNotices(context, findings, "记载表已送往打印机");
    }
    return outcome;
}

FormOutcome printForm(const FormSheet& form, std::span<const Finding> findings,
                      const ExportPlace& place, bool withErrors, PagePrinter* road) {
    PrintNotice notice;
    return printFilledForm(
        road, form,
        [&](FormOutcome& chosen) {
            return chooseForm(form, findings, place, withErrors, "打印", chosen);
        },
        [&](bool twoPages) { return privatePlace(place, twoPages); }, {}, notice);
}

} // namespace tarnelo
