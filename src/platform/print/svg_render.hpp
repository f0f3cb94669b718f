// Renders an SVG picture to PNG with rsvg-convert (librsvg), run as a bounded child.
#pragma once

#include "platform/print/pdf_render.hpp"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo {

// rsvg-convert when it is installed. TARNELO_RSVG_CONVERT overrides the search (an empty value
// means "none installed").
std::optional<std::filesystem::path> findSvgRenderer();

// Why there is no PNG when findSvgRenderer() found nothing, naming what this system needs, in
// Chinese and English.
std::string svgRendererAbsent();

// Writes the PNG of the SVG document to png (through the atomic writer). Gives up after the time
// limit and ends the renderer.
RenderResult renderSvgToPng(const std::filesystem::path& renderer, std::string_view svg,
                            const std::filesystem::path& png,
                            std::chrono::seconds timeLimit = std::chrono::seconds(30));

} // namespace tarnelo
