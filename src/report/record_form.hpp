// The measurement record form: the two fills of the spreadsheet templates and the export and
// print commands that use them.
#pragma once

#include <filesystem>
#include <string>

namespace tarnelo {

class Window;

// The forms have rows for 13 verticals (one page) and 40 verticals (two pages).
inline constexpr int kSinglePageVerticals = 13;
inline constexpr int kTwoPageVerticals = 40;

// Number of sheet rows whose distance (column 1) is filled, over all rows.
int countFilledRows(const Window& window);

// Copy the template over its working copy in the Data folder and write the record header, one
// form row per vertical, the section results and the gauges into it through the spreadsheet
// wrapper; the working copy is saved and closed when they return. The progress bar runs from
// 10 to 100 and rests at 0. True when the working copy was written and saved.
bool fillSinglePageForm(Window& window);
bool fillTwoPageForm(Window& window);

// What 导出Excel or 打印 did.
struct FormOutcome {
    enum class Status {
        Done,      // exported to file, or the pages were handed to the printer
        Cancelled, // the export dialog or the question about errors was declined: nothing written
        Refused,   // a gap in 起点距, too many verticals, no template, no spreadsheet host;
                   // message says why
        Failed,    // the form could not be filled, saved or printed; message says why
    };
    Status status = Status::Cancelled;
    bool twoPages = false;
    // The exported workbook (export only).
    std::filesystem::path file;
    // The text of the message box that was shown, if any.
    std::string message;
};

// Both commands refuse a sheet with a gap in 起点距 or more than 40 verticals (the form would be
// wrong), ask once before publishing input with errors (checkMeasurement), and name the count of
// notices in the status bar when done.

// Button 导出Excel: fills the form and copies it to a workbook the user names.
FormOutcome exportCommand(Window& window);

// Button 打印: fills the form and prints it on the default printer.
FormOutcome printCommand(Window& window);

} // namespace tarnelo
