#include "pages/svg_drawing.hpp"

#include <QPainter>
#include <QSvgRenderer>

namespace tarnelo {

QSize svgSize(const QByteArray& svg) {
    return QSvgRenderer(svg).defaultSize();
}

void renderSvg(QPainter& painter, const QByteArray& svg) {
    QSvgRenderer renderer(svg);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    renderer.render(&painter);
}

} // namespace tarnelo
