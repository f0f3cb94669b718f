// Draws laid-out pages with Qt's painter: to a PDF written through the one atomic writer, or to
// any paint device (a printer, a preview). Needs a Qt GUI application object; one on the
// offscreen platform is made when the program has none (the command line).
#pragma once

#include "pages/sheet_layout.hpp"

#include <filesystem>
#include <string>
#include <string_view>

class QPainter;
class QPageLayout;

namespace tarnelo::pages {

// The paper of a page: a standard size in its orientation where the page has one.
QPageLayout pageLayoutOf(const Page& page);

// Draws one page, `unit` device pixels to a point, from the device's top-left corner.
void paintPage(QPainter& painter, const Page& page, double unit);

// The workbook's pages as a PDF file, replacing it; an empty text when written, else why not
// (in Chinese). Nothing is left at target when it fails. A workbook the program has just
// written itself is read with xlsx::kOwnWorkbookLimits.
std::string writeWorkbookPdf(const std::filesystem::path& workbook,
                             const std::filesystem::path& target,
                             const xlsx::PackageLimits& limits = {}, const PageCap& cap = {});

// Why `drawing` (记载表, 图片) cannot be drawn in Chinese on this system (no font with Chinese
// glyphs), or an empty text.
std::string chineseFontProblem(std::string_view drawing = "记载表");

// Makes the GUI application the painter needs when the program has none.
void ensureGuiApplication();

} // namespace tarnelo::pages
