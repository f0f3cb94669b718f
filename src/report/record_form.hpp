// The measurement record form: the two fills of the spreadsheet templates and the export and
// print commands that use them.
#pragma once

#include "checks/checks.hpp"
#include "compute/compute.hpp"
#include "files/record_header.hpp"
#include "gauging/table.hpp"
#include "platform/print/page_printer.hpp"
#include "platform/system/child_process.hpp"
#include "platform/workbook/workbook.hpp"
#include "window/user_dialogs.hpp"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tarnelo {

// What the record form shows of one gauging: every row's texts, 信号转数 as typed, the seven
// results and the record header.
struct FormSheet {
    EntryMode mode = EntryMode::Vertical;
    Table table;
    std::string signalsPerRevolution;
    std::array<std::string, kResultCount> results;
    RecordHeader header;
    // How the computation weighed 三点法, named on the form when it is ISO 748's.
    ThreePointRule threePoint = ThreePointRule::Equal;
};

// The form of a computed gauging with its record header.
FormSheet formSheetOf(const Gauging& gauging, const Computation& computation,
                      const RecordHeader& header);

// Where one fill reads its template, where a road outside the program finds the filled form
// (the working copy), and how the fill shows progress (10 to 100, resting at 0) and waits a
// moment at the end; either may be empty.
struct FormPlace {
    std::filesystem::path templateFile;
    std::filesystem::path workingCopy;
    std::function<void(int)> progress;
    std::function<void(int)> pause;

    // The end of a form's making: 100 and the pause when it was made, then 0.
    void finish(bool made) const;
};

// The form filled in memory: the template's workbook with the record header, one form row per
// vertical, the results and the gauges written into its active sheet. No file is written.
struct FilledForm {
    std::unique_ptr<xlsx::Workbook> workbook; // nullptr when the form could not be filled
    std::string problem;                      // why not, for the user
    explicit operator bool() const { return workbook != nullptr; }
};
FilledForm fillForm(const FormSheet& form, const FormPlace& place, bool twoPages);

// Writes the filled form to the place's working copy, for a road that prints from a file;
// false, with the reason in problem, when it was not written.
bool writeWorkingCopy(xlsx::Workbook& workbook, const FormPlace& place, std::string& problem);

// What keeps a form from being made: a gap in 起点距, more verticals than the form holds, a
// text too long for a cell, a missing template. Which template it takes.
struct FormCheck {
    std::string refusal;
    bool templateMissing = false;
    bool twoPages = false;
};
FormCheck checkForm(const FormSheet& form, const std::filesystem::path& templateFolder);

// Where a form made without the window goes: the folder of the templates, a private folder for
// the working copy and the workbook to write.
struct ExportPlace {
    std::filesystem::path templateFolder;
    std::filesystem::path workingFolder;
    std::filesystem::path target;
};

// The forms have rows for 13 verticals (one page) and 40 verticals (two pages).
inline constexpr int kSinglePageVerticals = 13;
inline constexpr int kTwoPageVerticals = 40;

// Number of rows whose distance (column 1) is filled, over all rows.
int countFilledRows(const Table& table);
// Number of the form's lines: the rows with a distance and the point rows of verticals.
int countFormLines(const Table& table, EntryMode mode);

// What the window's form commands use besides asking the user: the program folder (its
// templates, and the working copy in its Data folder), the folder the dialogs start in, and how
// the window shows progress (10 to 100, resting at 0), waits a moment and says something on its
// status bar. Any of the three may be empty.
struct FormContext {
    std::filesystem::path programFolder;
    std::filesystem::path documentFolder;
    std::function<void(int)> progress;
    std::function<void(int)> pause;
    std::function<void(std::string_view)> status;
};

// The fill's place in the context: the program folder's template and working copy, with the
// context's progress and pause.
FormPlace formPlaceOf(const FormContext& context, bool twoPages);

// What 导出Excel or 打印 did.
struct FormOutcome {
    enum class Status {
        Done,      // exported to file, or the pages were handed to the printer
        Cancelled, // the export dialog or the question about errors was declined: nothing written
        Refused,   // a gap in 起点距, too many verticals, no template, no print road;
                   // message says why
        Failed,    // the form could not be filled, saved or printed; message says why
    };
    Status status = Status::Cancelled;
    bool twoPages = false;
    // The exported workbook (export only).
    std::filesystem::path file;
    // The text of the message box that was shown, if any.
    std::string message;
    // The printer the pages went to (print only; empty where the road does not say), how many
    // pages and the print service's job number, where the road knows them.
    std::string printer;
    int pages = 0;
    int job = 0;
};

// Both commands refuse a sheet with a gap in 起点距 or more than 40 verticals (the form would be
// wrong), ask once before publishing input with errors (checkMeasurement), and name the count of
// notices in the status bar when done.

// The two buttons for a form the window was given (its computation's) and the findings of that
// computation; the user is asked and told through `user`, the form is filled from the template
// in the context's program folder (the working copy there is written only for a print road that
// needs a file).
// 导出Excel: fills the form and writes it to a workbook the user names.
FormOutcome exportComputedForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                               std::span<const Finding> findings);
// 打印: fills the form and prints it on the default printer by `road` (the office road of this
// computer, findPagePrinter, when none is given). The waits for other programs ask keepWaiting
// (sys::Waiting): the window's keeps it painted and lets closing it give up.
FormOutcome printComputedForm(UserDialogs& user, const FormContext& context, const FormSheet& form,
                              std::span<const Finding> findings,
                              const sys::KeepWaiting& keepWaiting, PagePrinter* road = nullptr);

// The two commands without the window, for a computed gauging and its findings: the same checks
// and messages, the question about errors answered by withErrors (declined: Cancelled).
FormOutcome exportForm(const FormSheet& form, std::span<const Finding> findings,
                       const ExportPlace& place, bool withErrors);
// The pages go to the default printer by `road` (as printComputedForm); the target is not used.
FormOutcome printForm(const FormSheet& form, std::span<const Finding> findings,
                      const ExportPlace& place, bool withErrors, PagePrinter* road = nullptr);

} // namespace tarnelo
