// The seam where a filled record form goes on paper. Three roads stand behind it, each an
// implementation of PagePrinter: the program's own page renderer (pages::rendererPrinter, drawn
// with Qt from the form in memory), LibreOffice (on Linux rendered to PDF and handed to CUPS, on
// Windows printed by soffice itself) and, on Windows, the user's spreadsheet program driven
// through COM (Excel, then WPS). The roads of another program print from a file: the caller
// writes the filled form to the request's workbook first when the road says it needs one.
// Which road a command takes is the caller's choice (the window's 打印方式, the command line's
// --renderer); everything around the pages is the same for all of them.
#pragma once

#include "platform/system/child_process.hpp"
#include "platform/workbook/workbook.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tarnelo {

struct PageRequest {
    // The filled form in memory (the page renderer lays it out), and the file it was written
    // to for a road that needs one.
    xlsx::Workbook* form = nullptr;
    std::filesystem::path workbook;
    int from = 1;
    int to = 9999;
    // Empty for the default printer.
    std::string printer;
    // The pages go to this file instead of a printer, where the road can do that.
    std::optional<std::filesystem::path> file;
    // Asked while the road waits for another program (sys::Waiting).
    sys::KeepWaiting keepWaiting;
};

struct PagesPrinted {
    bool ok = false;
    std::string printer; // the printer they went to
    int pages = 0;       // how many pages were handed over, when known
    int job = 0;         // the print service's job number, when it has one
    int copies = 1;
    // Why not, in Chinese, for the user, when !ok; refused: the road declined before printing
    // and the error says what the user may do.
    std::string error;
    bool refused = false;
};

class PagePrinter {
  public:
    virtual ~PagePrinter() = default;
    // Whether the road prints from request.workbook (another program) rather than the form in
    // memory.
    virtual bool needsFile() const = 0;
    virtual PagesPrinted print(const PageRequest& request) = 0;
};

// The road through the office programs of this computer (LibreOffice; on Windows the
// spreadsheet program first), or none when nothing of them is installed.
std::unique_ptr<PagePrinter> findPagePrinter();

// Why this system cannot print the record form through its office programs at all, in Chinese;
// empty where it can. 打印 says it before anything else.
std::string printingUnavailable();

} // namespace tarnelo
