// The pictures (the section, the stage-discharge relation) as PNG files, drawn in this process
// by the same painter as the window's pictures. Needs a Qt GUI application object; one on the
// offscreen platform is made when the program has none (the command line).
#pragma once

#include "drawing/drawing.hpp"

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnelo::pages {

// Why no PNG can be drawn here (a build without the Qt painter, no Chinese font), or an empty
// text. Asked before any work, so that nothing is computed for a picture that cannot be drawn.
std::string pngProblem();

// The picture drawn at its own size, one pixel to a unit, as the bytes of a PNG file; or why
// not (in Chinese).
struct PngDrawing {
    std::string bytes;
    std::string problem;
};
PngDrawing drawPng(const drawing::Drawing& picture);

} // namespace tarnelo::pages
