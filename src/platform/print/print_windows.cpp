// Printing on Windows is not there yet: the record form is printed by LibreOffice and CUPS on
// Linux, and Windows has neither. 打印 says so plainly; 导出Excel saves the form for printing
// from a spreadsheet program. The PDF and PNG renderers are absent for the same reason.
#include "platform/print/cups_printer.hpp"
#include "platform/print/pdf_render.hpp"
#include "platform/print/print_host.hpp"
#include "platform/print/svg_render.hpp"

namespace tarnelo {

namespace {

constexpr std::string_view kNotYet =
    "Windows 版暂时还不能打印记载表。请用“导出Excel”保存记载表，再用电子表格程序打印。";

} // namespace

std::string printingUnavailable() {
    return std::string(kNotYet);
}

std::optional<HandedOverPrint> lastHandedOverPrint() {
    return std::nullopt;
}

void registerPrintHost() {}

void registerPrintHostIfAbsent() {}

std::optional<std::filesystem::path> findRenderer() {
    return std::nullopt;
}

RenderResult renderToPdf(const std::filesystem::path& /*renderer*/,
                         const std::filesystem::path& /*workbook*/,
                         const std::filesystem::path& /*pdf*/, std::chrono::seconds /*timeLimit*/) {
    return {false, "Windows 版暂时还不能把记载表转成 PDF。"};
}

int pdfPageCount(const std::filesystem::path& /*pdf*/) {
    return 0;
}

std::optional<std::filesystem::path> findSvgRenderer() {
    return std::nullopt;
}

RenderResult renderSvgToPng(const std::filesystem::path& /*renderer*/, std::string_view /*svg*/,
                            const std::filesystem::path& /*png*/,
                            std::chrono::seconds /*timeLimit*/) {
    return {false, "Windows 版的命令行暂时还不能输出 PNG 图片，请输出 SVG。"};
}

PrinterLookup findDefaultPrinter(PrintServiceLimits /*limits*/) {
    return {{}, std::string(kNotYet)};
}

std::string defaultPrinterName() {
    return {};
}

PrintJobResult printPdfPages(const std::string& /*printer*/, const std::filesystem::path& /*pdf*/,
                             int /*firstPage*/, int /*lastPage*/, const std::string& /*title*/,
                             PrintServiceLimits /*limits*/) {
    return {false, 0, std::string(kNotYet)};
}

} // namespace tarnelo
