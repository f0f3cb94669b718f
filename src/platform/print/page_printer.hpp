// The road that puts the pages of a saved workbook on paper on this system: LibreOffice and the
// print service on Linux; the user's spreadsheet program (or LibreOffice) on Windows. The
// printing host asks it for the pages; everything around them is the same everywhere.
#pragma once

#include "platform/system/child_process.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tarnelo {

struct PageRequest {
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
    // Why not, in Chinese, for the user, when !ok.
    std::string error;
};

class PagePrinter {
  public:
    virtual ~PagePrinter() = default;
    virtual PagesPrinted print(const PageRequest& request) = 0;
};

// The road of this computer, or none when nothing that can print the form is installed.
std::unique_ptr<PagePrinter> findPagePrinter();

} // namespace tarnelo
