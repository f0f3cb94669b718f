// Renders a workbook to PDF with LibreOffice, run headless with a profile of its own.
#pragma once

#include "platform/system/child_process.hpp"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace tarnelo {

// The LibreOffice program (soffice) when one is installed. TARNELO_SOFFICE overrides the
// search (an empty value means "none installed").
std::optional<std::filesystem::path> findRenderer();

struct RenderResult {
    bool ok = false;
    std::string error; // in Chinese, for the user, when !ok
};

// Renders the workbook (an .xlsx whatever its name) to pdf, replacing it. Gives up after
// the time limit, or when keepWaiting gives up (sys::Waiting), and kills the renderer.
RenderResult renderToPdf(const std::filesystem::path& renderer,
                         const std::filesystem::path& workbook, const std::filesystem::path& pdf,
                         const sys::KeepWaiting& keepWaiting,
                         std::chrono::seconds timeLimit = std::chrono::seconds(60));

// Number of pages of a PDF file written by the renderer (0 when it cannot be read).
int pdfPageCount(const std::filesystem::path& pdf);

} // namespace tarnelo
