#include "platform/print/cups_printer.hpp"

#if defined(TARNELO_HAVE_CUPS)
#include <cups/cups.h>
#endif

namespace tarnelo {

std::string defaultPrinterName() {
#if defined(TARNELO_HAVE_CUPS)
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests(&dests);
    std::string name;
    if (const cups_dest_t* dest = cupsGetDest(nullptr, nullptr, count, dests); dest != nullptr) {
        name = dest->name;
    }
    cupsFreeDests(count, dests);
    return name;
#else
    return {};
#endif
}

PrintJobResult printPdfPages(const std::string& printer, const std::filesystem::path& pdf,
                             int firstPage, int lastPage, const std::string& title) {
#if defined(TARNELO_HAVE_CUPS)
    cups_option_t* options = nullptr;
    int count = 0;
    const std::string ranges = std::to_string(firstPage) + "-" + std::to_string(lastPage);
    count = cupsAddOption("page-ranges", ranges.c_str(), count, &options);
    count = cupsAddOption("copies", "1", count, &options);
    const int job = cupsPrintFile(printer.c_str(), pdf.c_str(), title.c_str(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0) {
        return {false, 0, cupsLastErrorString()};
    }
    return {true, job, {}};
#else
    (void)printer;
    (void)pdf;
    (void)firstPage;
    (void)lastPage;
    (void)title;
    return {false, 0, "此版本不支持打印（未连接 CUPS）。"};
#endif
}

} // namespace tarnelo
