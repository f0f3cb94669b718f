#include "pages/form_pages.hpp"

#include "report/record_form_steps.hpp"
#include "window/program_paths.hpp"

namespace tarnelo::pages {

namespace {

using namespace form_detail;

FormPages laidOut(FormOutcome outcome, bool filled, const std::string& problem,
                  const std::filesystem::path& workingCopy) {
    FormPages pages;
    pages.outcome = std::move(outcome);
    if (!filled) {
        pages.outcome.status = FormOutcome::Status::Failed;
        pages.outcome.message = problem;
        return pages;
    }
    pages.layout = layoutWorkbook(workingCopy, {}, formPageCap(pages.outcome.twoPages));
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
    std::string problem;
    const bool filled = fillContextForm(context, form, outcome.twoPages, problem);
    FormPages pages = laidOut(outcome, filled, problem,
                              paths::formWorkingCopy(context.programFolder, outcome.twoPages));
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
    const FormPlace fillPlace = privatePlace(place, outcome.twoPages);
    std::string problem;
    const bool filled = fillForm(form, fillPlace, outcome.twoPages, problem);
    return laidOut(outcome, filled, problem, fillPlace.workingCopy);
}

} // namespace tarnelo::pages
