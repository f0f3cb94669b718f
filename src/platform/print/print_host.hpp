// The printing host: an application object on the print road that renders a workbook with
// LibreOffice and sends its pages to a CUPS printer. It answers the members the print command
// uses (Workbooks.Add, Workbooks.Open, Sheets.Item, Visible, Sheets.PrintOut, Workbooks.Close,
// Quit). It is registered under a ProgID of its own so that it is never mistaken for the
// spreadsheet instance the record-form fill attaches to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

inline constexpr std::string_view kPrintProgId = "Tarnelo.PrintApplication";

// Registers the printing host. Creating an instance fails (an empty handle) when no renderer
// is installed.
void registerPrintHost();

// Why this system cannot print the record form at all, in Chinese; empty where it can. 打印 says
// it before anything else.
std::string printingUnavailable();

// Registers the printing host unless something (a test double) is registered under its ProgID.
void registerPrintHostIfAbsent();

// What the last print of this process handed to the print service.
struct HandedOverPrint {
    std::string printer;
    int pages = 0;
    int job = 0;
};
std::optional<HandedOverPrint> lastHandedOverPrint();

} // namespace tarnelo
