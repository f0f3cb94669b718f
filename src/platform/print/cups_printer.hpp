// Sends PDF pages to the default printer through CUPS. Every call to the print service is
// bounded: a few seconds to connect, a bounded wait for each answer, so a print service that
// accepts a connection and never answers cannot hold the program.
#pragma once

#include "platform/system/child_process.hpp"

#include <chrono>
#include <filesystem>
#include <string>

namespace tarnelo {

struct PrintServiceLimits {
    std::chrono::milliseconds connect{3000};
    std::chrono::milliseconds answer{8000};
    // Asked while a print service client runs (sys::Waiting); empty waits to the limit.
    sys::KeepWaiting keepWaiting;
};

struct PrinterLookup {
    // The default printer's name; empty when there is none or the service cannot be asked.
    std::string name;
    // Why there is no name, in Chinese, when the print service could not be asked.
    std::string problem;
};

// The system's default printer.
PrinterLookup findDefaultPrinter(PrintServiceLimits limits = {});

// What to say when no printer is set up at all: that there is none and where this system adds
// one, in Chinese.
std::string noPrinterText();

// Name of the system's default printer; empty when there is none (or no print service).
std::string defaultPrinterName();

struct PrintJobResult {
    bool ok = false;
    int job = 0;
    // In Chinese, with the print service's own words after it.
    std::string error;
};

// Why the named printer would refuse a job now (it is set not to accept jobs), in Chinese;
// empty when it accepts them or the print service cannot say.
std::string printerRefusal(const std::string& printer, PrintServiceLimits limits = {});

// Prints pages first..last of a PDF file, one copy, on the named printer.
PrintJobResult printPdfPages(const std::string& printer, const std::filesystem::path& pdf,
                             int firstPage, int lastPage, const std::string& title,
                             PrintServiceLimits limits = {});

} // namespace tarnelo
