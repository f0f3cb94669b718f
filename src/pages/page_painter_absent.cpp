#include "pages/page_painter.hpp"

namespace tarnelo::pages {

namespace {

constexpr const char* kAbsent =
    "本程序构建时没有带 Qt 页面绘制组件，无法自行绘制 PDF；请用 --renderer libreoffice。";

} // namespace

PdfDrawing drawWorkbookPdf(const std::filesystem::path& workbook, const xlsx::PackageLimits& limits,
                           const PageCap& cap, const StopAsked& stopped,
                           std::span<const drawing::Drawing>) {
    // What the layout refuses is said as it would be where the pages can be drawn.
    return drawLayoutPdf(layoutWorkbook(workbook, limits, cap, stopped), stopped);
}

PdfDrawing drawLayoutPdf(const Layout& layout, const StopAsked&,
                         std::span<const drawing::Drawing>) {
    PdfDrawing drawn;
    drawn.problem = layout.problem.empty() ? std::string(kAbsent) : layout.problem;
    drawn.stopped = layout.stopped;
    return drawn;
}

std::string writeWorkbookPdf(const std::filesystem::path& workbook, const std::filesystem::path&,
                             const xlsx::PackageLimits& limits, const PageCap& cap,
                             const StopAsked& stopped) {
    return drawWorkbookPdf(workbook, limits, cap, stopped).problem;
}

std::string chineseFontProblem(std::string_view) {
    return kAbsent;
}

void ensureGuiApplication() {}

} // namespace tarnelo::pages
