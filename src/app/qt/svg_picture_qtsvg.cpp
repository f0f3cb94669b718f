#include "app/qt/svg_picture.hpp"

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

} // namespace tarnelo
