// The printing host: an application object on the print road that renders a workbook with
// LibreOffice and sends its pages to a CUPS printer. It answers the members the print command
// uses (Workbooks.Add, Workbooks.Open, Sheets.Item, Visible, Sheets.PrintOut, Workbooks.Close,
// Quit). It is registered under a ProgID of its own so that it is never mistaken for the
// spreadsheet instance the record-form fill attaches to.
#pragma once

#include "platform/automation/dispatch.hpp"
#include "platform/system/child_process.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

inline constexpr std::string_view kPrintProgId = "Tarnelo.PrintApplication";

// Why this system cannot print the record form at all, in Chinese; empty where it can. 打印 says
// it before anything else.
std::string printingUnavailable();

// Starts the printing host (the outcome's object), whose waits for other programs ask
// keepWaiting (sys::Waiting); an error when nothing that can print the form is installed. A test
// double registered under the host's ProgID is started instead.
automation::Outcome startPrintHost(sys::KeepWaiting keepWaiting);

// What the last print of this process handed to the print service.
struct HandedOverPrint {
    std::string printer;
    int pages = 0;
    int job = 0;
};
std::optional<HandedOverPrint> lastHandedOverPrint();

} // namespace tarnelo
