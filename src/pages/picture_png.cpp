#include "pages/picture_png.hpp"

#include "pages/drawing_painter.hpp"
#include "pages/page_painter.hpp"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace tarnelo::pages {

namespace {

// Larger pictures are not what the program draws: 8000 by 8000 pixels is 256 MB of memory already
// (经验值).
constexpr int kLargestSide = 8000;

} // namespace

std::string pngProblem() {
    return chineseFontProblem("图片");
}

PngDrawing drawPng(const drawing::Drawing& picture) {
    if (std::string problem = pngProblem(); !problem.empty()) {
        return {{}, std::move(problem)};
    }
    if (!(picture.width >= 1.0 && picture.height >= 1.0 && picture.width <= kLargestSide &&
          picture.height <= kLargestSide)) {
        return {{}, "图片的大小不合适，无法生成 PNG 图片。"};
    }
    const QSize size(static_cast<int>(picture.width + 0.5), static_cast<int>(picture.height + 0.5));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintDrawing(painter, picture, QRectF(QPointF(0, 0), QSizeF(size)));
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
