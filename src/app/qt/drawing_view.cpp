#include "app/qt/drawing_view.hpp"

#include "pages/drawing_painter.hpp"

#include <QPainter>

namespace tarnelo {

DrawingView::DrawingView(QWidget* parent) : QWidget(parent) {}

void DrawingView::setPicture(drawing::Drawing picture) {
    picture_ = std::move(picture);
    update();
}

void DrawingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    pages::paintDrawing(painter, picture_, QRectF(rect()));
}

} // namespace tarnelo
