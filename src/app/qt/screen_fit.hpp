// Windows the program opens over the main window are sized for the screen they show on: never
// larger than its available area (less the panels and the window's frame), placed inside it, so
// their buttons are always on the screen.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace tarnelo {

// The area a top-level window may take on its screen (the parent's screen before it is shown),
// less the frame the window manager adds.
QRect usableArea(const QWidget& window);

// Resizes window to `wanted`, or as much of it as the usable area holds. A window not yet shown
// is centred over `over` (or the area) and kept inside the area.
void fitToScreen(QWidget& window, QSize wanted, const QWidget* over = nullptr);

// Moves a window not yet shown as little as it takes to bring it inside the usable area, its
// top left corner first when it cannot be wholly inside.
void keepOnScreen(QWidget& window);

} // namespace tarnelo
