// Showing the pictures (SVG documents: the section, the stage-discharge relation) in a window:
// Qt SVG's widget where it is built, else a widget that draws them with the page renderer's
// painter. CMake picks the file.
#pragma once

#include "pages/svg_drawing.hpp"

#include <QByteArray>

class QWidget;

namespace tarnelo {

// A widget that shows an SVG picture scaled to fit, keeping its aspect ratio.
QWidget* makeSvgView(QWidget* parent);
// Shows svg in a view made by makeSvgView.
void showSvg(QWidget* view, const QByteArray& svg);

} // namespace tarnelo
