// The picture view of builds without Qt SVG: the picture drawn by the page renderer's own
// painter whenever the view is painted.
#include "app/qt/svg_picture.hpp"

#include <QPainter>
#include <QWidget>

namespace tarnelo {

namespace {

class SvgView : public QWidget {
  public:
    explicit SvgView(QWidget* parent) : QWidget(parent) {}
    void setPicture(const QByteArray& svg) {
        svg_ = svg;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        renderSvg(painter, svg_);
    }

  private:
    QByteArray svg_;
};

} // namespace

QWidget* makeSvgView(QWidget* parent) {
    return new SvgView(parent);
}

void showSvg(QWidget* view, const QByteArray& svg) {
    static_cast<SvgView*>(view)->setPicture(svg);
}

} // namespace tarnelo
