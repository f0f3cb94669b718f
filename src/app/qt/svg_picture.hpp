// Showing and rendering the pictures (SVG documents: the section, the stage-discharge
// relation). Qt SVG does it where it is built; the Windows build, which has no Qt SVG, draws the
// few SVG elements the pictures are made of with QPainter. CMake picks the file.
#pragma once

#include <QByteArray>
#include <QSize>

class QPainter;
class QWidget;

namespace tarnelo {

// A widget that shows an SVG picture scaled to fit, keeping its aspect ratio.
QWidget* makeSvgView(QWidget* parent);
// Shows svg in a view made by makeSvgView.
void showSvg(QWidget* view, const QByteArray& svg);
// The picture's own size; empty when svg is not a picture.
QSize svgSize(const QByteArray& svg);
// Draws svg over the whole of painter's device.
void renderSvg(QPainter& painter, const QByteArray& svg);

} // namespace tarnelo
