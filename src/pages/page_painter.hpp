// Draws laid-out pages with Qt's painter: to a PDF written through the one atomic writer, or to
// any paint device (a printer, a preview). Needs a Qt GUI application object; one on the
// offscreen platform is made when the program has none (the command line).
#pragma once

#include "drawing/drawing.hpp"
#include "pages/sheet_layout.hpp"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

class QPainter;
class QPageLayout;

namespace tarnelo::pages {

// The paper of a page: a standard size in its orientation where the page has one.
QPageLayout pageLayoutOf(const Page& page);

// Draws one page, `unit` device pixels to a point, from the device's top-left corner.
void paintPage(QPainter& painter, const Page& page, double unit);

// The workbook's pages as the bytes of a PDF, or why not (in Chinese). A workbook the program
// has just written itself is read with xlsx::kOwnWorkbookLimits. `stopped` is asked between
// pages, of the layout and of the drawing; once it says yes no bytes are given (stopped set).
// `pictures` follow the workbook's pages, each on an A4 landscape page of its own.
struct PdfDrawing {
    std::string bytes;
    std::string problem;
    bool stopped = false;
};
PdfDrawing drawWorkbookPdf(const std::filesystem::path& workbook,
                           const xlsx::PackageLimits& limits = {}, const PageCap& cap = {},
                           const StopAsked& stopped = {},
                           std::span<const drawing::Drawing> pictures = {});

// The PDF of pages already laid out (a form filled in memory).
PdfDrawing drawLayoutPdf(const Layout& layout, const StopAsked& stopped = {},
                         std::span<const drawing::Drawing> pictures = {});

// The same PDF written to target, replacing it; an empty text when written, else why not.
// Nothing is left at target when it fails or is stopped.
std::string writeWorkbookPdf(const std::filesystem::path& workbook,
                             const std::filesystem::path& target,
                             const xlsx::PackageLimits& limits = {}, const PageCap& cap = {},
                             const StopAsked& stopped = {});

// Why `drawing` (记载表, 图片) cannot be drawn in Chinese on this system (no font with Chinese
// glyphs), or an empty text.
std::string chineseFontProblem(std::string_view drawing = "记载表");

// Makes the GUI application the painter needs when the program has none.
void ensureGuiApplication();

} // namespace tarnelo::pages
