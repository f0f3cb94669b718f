// A picture of the program (the section, the stage–discharge relation) shown in a window: the
// drawing kept as data and painted whenever the view is, scaled to fit, keeping its aspect
// ratio.
#pragma once

#include "drawing/drawing.hpp"

#include <QWidget>

namespace tarnelo {

class DrawingView : public QWidget {
  public:
    explicit DrawingView(QWidget* parent);

    void setPicture(drawing::Drawing picture);
    const drawing::Drawing& picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    drawing::Drawing picture_;
};

} // namespace tarnelo
