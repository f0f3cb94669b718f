// The record form's pages for the printer and the preview: the same checks and fill as the
// export, then the form filled in memory laid out by the page renderer (no file is written).
#pragma once

#include "pages/sheet_layout.hpp"
#include "report/record_form.hpp"

#include <span>
#include <string>

namespace tarnelo::pages {

struct FormPages {
    // Done with the pages; Cancelled, Refused or Failed as the export would be, the message
    // saying why (the user has been shown it already).
    FormOutcome outcome;
    Layout layout;
};

// A form the window was given (its computation's) and that computation's findings: refusals,
// the question about errors and a failure told through `user`, the form filled from the
// template in the context's program folder.
FormPages formPages(UserDialogs& user, const FormContext& context, const FormSheet& form,
                    std::span<const Finding> findings, std::string_view verb);

// A form without the window: errors let through by withErrors.
FormPages formPages(const FormSheet& form, std::span<const Finding> findings,
                    const ExportPlace& place, bool withErrors, std::string_view verb);

} // namespace tarnelo::pages
