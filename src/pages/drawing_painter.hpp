// Draws a picture built as data (the section, the stage–discharge relation) with Qt's painter:
// in the window, into PNGs and on paper, one painter on every system.
#pragma once

#include "drawing/drawing.hpp"

class QPainter;
class QRectF;

namespace tarnelo::pages {

// Draws the picture into target, scaled to fit and keeping its aspect ratio, centred; its
// texts in the first of its font families the system has (a Chinese one where its texts are
// Chinese).
void paintDrawing(QPainter& painter, const drawing::Drawing& picture, const QRectF& target);

} // namespace tarnelo::pages
