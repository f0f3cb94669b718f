// Printing a saved workbook with the user's spreadsheet program, driven by automation: open it
// read-only, print its pages on the default printer, close it without saving, quit. The whole
// conversation runs on a thread of its own and is given up after a time limit, so a program
// that shows a dialog or stops answering cannot hold the window.
#pragma once

#include "platform/automation/dispatch.hpp"
#include "platform/print/page_printer.hpp"

#include <chrono>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>

namespace tarnelo {

struct SpreadsheetProgram {
    std::string_view progId;
    std::string_view name; // as the user knows it
};

// The programs tried, in order: the user's Excel, then WPS (two ProgIDs by version).
inline constexpr SpreadsheetProgram kSpreadsheetPrograms[] = {
    {"Excel.Application", "Microsoft Excel"},
    {"KET.Application", "WPS 表格"},
    {"ET.Application", "WPS 表格"},
};

// Starts the program of a ProgID on the calling thread (the system's automation, or a test
// double): the outcome's object, or the error that kept it from starting.
using ProgramStarter = std::function<automation::Outcome(std::string_view progId)>;

// Prints pages from..to of the workbook with the program. A failure names the program and the
// step that failed. The wait for the program ends at the limit or when keepWaiting gives up
// (sys::Waiting).
PagesPrinted printWithSpreadsheetProgram(const SpreadsheetProgram& program,
                                         const ProgramStarter& start,
                                         const std::filesystem::path& workbook, int from, int to,
                                         std::chrono::milliseconds limit,
                                         const sys::KeepWaiting& keepWaiting);

} // namespace tarnelo
