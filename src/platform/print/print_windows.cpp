// What Windows has not of the Linux print road: the PDF renderer and CUPS. The record
// form is printed there by the user's spreadsheet program instead.
#include "platform/print/cups_printer.hpp"
#include "platform/print/pdf_render.hpp"

namespace tarnelo {

namespace {

constexpr std::string_view kNoPdf = "Windows 版不经过 PDF 打印记载表";

} // namespace

std::optional<std::filesystem::path> findRenderer() {
    return std::nullopt;
}

RenderResult renderToPdf(const std::filesystem::path& /*renderer*/,
                         const std::filesystem::path& /*workbook*/,
                         const std::filesystem::path& /*pdf*/,
                         const sys::KeepWaiting& /*keepWaiting*/,
                         std::chrono::seconds /*timeLimit*/) {
    return {false, "Windows 版暂时还不能把记载表转成 PDF。"};
}

int pdfPageCount(const std::filesystem::path& /*pdf*/) {
    return 0;
}

std::string printerRefusal(const std::string& /*printer*/, PrintServiceLimits /*limits*/) {
    // The spooler reports a refused job to the printing program itself.
    return {};
}

std::string noPrinterText() {
    return "这台计算机还没有设置打印机，记载表没有打印。\n"
           "请先在 Windows 的 设置 > 打印机和扫描仪 中添加打印机，添加后再打印。";
}

PrintJobResult printPdfPages(const std::string& /*printer*/, const std::filesystem::path& /*pdf*/,
                             int /*firstPage*/, int /*lastPage*/, const std::string& /*title*/,
                             PrintServiceLimits /*limits*/) {
    return {false, 0, std::string(kNoPdf)};
}

} // namespace tarnelo
