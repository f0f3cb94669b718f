#include "pages/page_painter.hpp"

namespace tarnelo::pages {

namespace {

constexpr const char* kAbsent =
    "本程序构建时没有带 Qt 页面绘制组件，无法自行绘制 PDF；请用 --renderer libreoffice。";

} // namespace

std::string writeWorkbookPdf(const std::filesystem::path&, const std::filesystem::path&) {
    return kAbsent;
}

std::string chineseFontProblem() {
    return kAbsent;
}

} // namespace tarnelo::pages
