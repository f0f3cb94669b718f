// Drawing the pictures (SVG documents: the section, the stage-discharge relation) with Qt's
// painter, on screen, to a PNG or a printer. Qt SVG does it where it is built; the Windows
// build, which has no Qt SVG, draws the few SVG elements the pictures are made of itself. CMake
// picks the file.
#pragma once

#include <QByteArray>
#include <QSize>

class QPainter;

namespace tarnelo {

// The picture's own size; empty when svg is not a picture.
QSize svgSize(const QByteArray& svg);
// Draws svg over the painter's viewport, scaled to fit and keeping its aspect ratio.
void renderSvg(QPainter& painter, const QByteArray& svg);

} // namespace tarnelo
