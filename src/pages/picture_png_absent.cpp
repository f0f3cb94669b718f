#include "pages/picture_png.hpp"

namespace tarnelo::pages {

namespace {

constexpr const char* kAbsent =
    "本程序构建时没有带 Qt 页面绘制组件，无法生成 PNG 图片；可改用 .svg "
    "this build cannot draw a PNG; write an .svg instead";

} // namespace

std::string pngProblem() {
    return kAbsent;
}

PngDrawing drawPng(const drawing::Drawing&) {
    return {{}, kAbsent};
}

} // namespace tarnelo::pages
