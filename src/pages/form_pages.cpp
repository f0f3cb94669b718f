#include "pages/form_pages.hpp"

#include "report/record_form_steps.hpp"

namespace tarnelo::pages {

namespace {

using namespace form_detail;

// The pages of the form filled in memory; no file is written.
FormPages laidOut(FormOutcome outcome, FilledForm filled) {
    FormPages pages;
    pages.outcome = std::move(outcome);
    if (!filled) {
        pages.outcome.status = FormOutcome::Status::Failed;
        pages.outcome.message = filled.problem;
        return pages;
    }
    pages.layout = layoutWorkbook(*filled.workbook, formPageCap(pages.outcome.twoPages));
    if (!pages.layout.problem.empty()) {
        pages.outcome.status = FormOutcome::Status::Failed;
        pages.outcome.message = pages.layout.problem;
        return pages;
    }
    pages.outcome.status = FormOutcome::Status::Done;
    return pages;
}

} // namespace

FormPages formPages(UserDialogs& user, const FormContext& context, const FormSheet& form,
                    std::span<const Finding> findings, std::string_view verb) {
    FormOutcome outcome;
    if (!chooseForm(user, context, form, findings, verb, outcome)) {
        return {outcome, {}};
    }
    const FormPlace place = formPlaceOf(context, outcome.twoPages);
    FormPages pages = laidOut(outcome, fillForm(form, place, outcome.twoPages));
    // The pages are shown at once (a preview, the print dialog): no pause at the end.
    place.finish(false);
    if (pages.outcome.status == FormOutcome::Status::Failed) {
        user.showMessage(pages.outcome.message, "信息：", MessageIcon::Warning);
    }
    return pages;
}

FormPages formPages(const FormSheet& form, std::span<const Finding> findings,
                    const ExportPlace& place, bool withErrors, std::string_view verb) {
    FormOutcome outcome;
    if (!chooseForm(form, findings, place, withErrors, verb, outcome)) {
        return {outcome, {}};
    }
    return laidOut(outcome,
                   fillForm(form, privatePlace(place, outcome.twoPages), outcome.twoPages));
}

} // namespace tarnelo::pages
