// The laid-out pages on a printer, through Qt Print Support: the system's own print system (CUPS
// on Linux, the Windows spooler), no office program.
#pragma once

#include "pages/sheet_layout.hpp"

#include <string>

class QPrinter;

namespace tarnelo::pages {

// Draws the pages the printer's page range selects (all when it selects none), each on paper
// of its own size and orientation; an empty text when they were sent, else why not in Chinese.
std::string printLayout(const Layout& layout, QPrinter& printer);

// What to say of the printer a print dialog handed back when it names none (no printer is set
// up, or a file without a name): there is no printer, and how to add one. Empty otherwise.
std::string unchosenPrinter(const QPrinter& printer);

struct PrintJob {
    std::string printer; // the printer's name as the system knows it
    int pages = 0;
    int copies = 1;
    std::string problem; // empty when sent
};

// The pages on the printer of that name, or on the system's default printer for an empty name.
PrintJob printOn(const Layout& layout, const std::string& printerName, int copies);

} // namespace tarnelo::pages
