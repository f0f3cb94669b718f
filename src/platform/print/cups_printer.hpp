// Sends PDF pages to the default printer through CUPS.
#pragma once

#include <filesystem>
#include <string>

namespace tarnelo {

// Name of the system's default printer; empty when there is none (or no CUPS).
std::string defaultPrinterName();

struct PrintJobResult {
    bool ok = false;
    int job = 0;
    std::string error;
};

// Prints pages first..last of a PDF file, one copy, on the named printer.
PrintJobResult printPdfPages(const std::string& printer, const std::filesystem::path& pdf,
                             int firstPage, int lastPage, const std::string& title);

} // namespace tarnelo
