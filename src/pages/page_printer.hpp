// The laid-out pages on a printer, through Qt Print Support: the system's own print system (CUPS
// on Linux, the Windows spooler), no office program.
#pragma once

#include "measure/numtext.hpp"
#include "pages/sheet_layout.hpp"
#include "platform/print/page_printer.hpp"

#include <memory>
#include <string>

class QPrinter;

namespace tarnelo::pages {

// Draws the pages the printer's page range selects (all when it selects none), each on paper
// of its own size and orientation; an empty text when they were sent, else why not in Chinese.
std::string printLayout(const Layout& layout, QPrinter& printer);

// What to say of the printer a print dialog handed back when it names none (no printer is set
// up, or a file without a name): there is no printer, and how to add one. Empty otherwise.
std::string unchosenPrinter(const QPrinter& printer);

// Sheets that go to a printer without a question: a record form's two pages five times over
// (经验值).
inline constexpr int kSheetsWithoutAsking = 10;

// What to say of a job of `pages` pages, `copies` times, above kSheetsWithoutAsking sheets
// (which needs the user's yes, or --pages-ok); empty at or below it.
inline std::string manySheets(int pages, int copies) {
    const long long sheets = static_cast<long long>(pages) * copies;
    if (sheets <= kSheetsWithoutAsking) {
        return {};
    }
    const auto text = [](long long n) { return num::plainText(static_cast<double>(n)); };
    return "将打印 " + text(sheets) + " 页（" + text(pages) + " 页 × " + text(copies) +
           " 份），多于不经确认即可打印的 " + text(kSheetsWithoutAsking) + " 页（经验值）";
}

struct PrintJob {
    std::string printer; // the printer's name as the system knows it
    int pages = 0;
    int copies = 1;
    std::string problem; // empty when sent
};

// The pages on the printer of that name, or on the system's default printer for an empty name.
PrintJob printOn(const Layout& layout, const std::string& printerName, int copies);

// The page renderer's road through the print seam: the filled form in memory laid out and drawn
// on the printer of that name (the default for an empty name), `copies` times. Above
// kSheetsWithoutAsking sheets it prints only when manyOk says the user agreed.
std::unique_ptr<PagePrinter> rendererPrinter(std::string printerName, int copies, bool manyOk);

} // namespace tarnelo::pages
