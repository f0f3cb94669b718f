#include "pages/picture_png.hpp"

#include "pages/page_painter.hpp"
#include "pages/svg_drawing.hpp"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace tarnelo::pages {

namespace {

// Larger pictures are not what the program draws: a picture's size comes from the file it is
// given, and 8000 by 8000 pixels is 256 MB of memory already (经验值).
constexpr int kLargestSide = 8000;

} // namespace

std::string pngProblem() {
    return chineseFontProblem("图片");
}

PngDrawing drawSvgPng(std::string_view svg) {
    if (std::string problem = pngProblem(); !problem.empty()) {
        return {{}, std::move(problem)};
    }
    const QByteArray document(svg.data(), static_cast<qsizetype>(svg.size()));
    const QSize size = svgSize(document);
    if (size.isEmpty() || size.width() > kLargestSide || size.height() > kLargestSide) {
        return {{}, "图片的大小不合适，无法生成 PNG 图片。"};
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderSvg(painter, document);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return {{}, "无法把图片编码为 PNG。"};
    }
    return {bytes.toStdString(), {}};
}

} // namespace tarnelo::pages
