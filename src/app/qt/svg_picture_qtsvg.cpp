#include "app/qt/svg_picture.hpp"

#include <QPainter>
#include <QSvgRenderer>
#include <QSvgWidget>

namespace tarnelo {

QWidget* makeSvgView(QWidget* parent) {
    auto* view = new QSvgWidget(parent);
    view->renderer()->setAspectRatioMode(Qt::KeepAspectRatio);
    return view;
}

void showSvg(QWidget* view, const QByteArray& svg) {
    auto* svgView = static_cast<QSvgWidget*>(view);
    svgView->load(svg);
    svgView->renderer()->setAspectRatioMode(Qt::KeepAspectRatio);
}

QSize svgSize(const QByteArray& svg) {
    return QSvgRenderer(svg).defaultSize();
}

void renderSvg(QPainter& painter, const QByteArray& svg) {
    QSvgRenderer renderer(svg);
    renderer.render(&painter);
}

} // namespace tarnelo
