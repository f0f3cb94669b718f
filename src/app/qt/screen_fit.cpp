#include "app/qt/screen_fit.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tarnelo {

namespace {

// The frame a window manager adds (caption and borders) when the window has none yet to
// measure: a usual caption is under 40 pixels.
constexpr QMargins kAssumedFrame(8, 38, 8, 8);

QRect availableArea(const QWidget& window) {
    QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen == nullptr ? QRect(0, 0, 1024, 740) : screen->availableGeometry();
}

QMargins frameOf(const QWidget& window) {
    if (window.isVisible()) {
        const QRect outer = window.frameGeometry();
        const QRect inner = window.geometry();
        return {inner.left() - outer.left(), inner.top() - outer.top(),
                outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    }
    return kAssumedFrame;
}

// Moves a window whose inner rectangle would be `placed` so that it is inside `area`.
void placeInside(QWidget& window, QRect placed, const QRect& area) {
    // Inside the area, its top left corner first when it cannot be wholly inside.
    placed.moveRight(std::min(placed.right(), area.right()));
    placed.moveBottom(std::min(placed.bottom(), area.bottom()));
    placed.moveLeft(std::max(placed.left(), area.left()));
    placed.moveTop(std::max(placed.top(), area.top()));
    // A top-level window is moved by the top left corner of its frame.
    const QMargins frame = frameOf(window);
    window.move(placed.topLeft() - QPoint(frame.left(), frame.top()));
}

} // namespace

QRect usableArea(const QWidget& window) {
    return availableArea(window).marginsRemoved(frameOf(window));
}

void fitToScreen(QWidget& window, QSize wanted, const QWidget* over) {
    const QRect area = usableArea(window);
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QSize size(std::max(std::min(wanted.width(), area.width()), least.width()),
                     std::max(std::min(wanted.height(), area.height()), least.height()));
    window.resize(size);
    if (window.isVisible()) {
        return;
    }
    QPoint centre = area.center();
    if (over != nullptr && over->isVisible()) {
        centre = over->window()->geometry().center();
    }
    QRect placed(QPoint(), size);
    placed.moveCenter(centre);
    placeInside(window, placed, area);
}

void keepOnScreen(QWidget& window) {
    if (window.isVisible()) {
        return;
    }
    const QMargins frame = frameOf(window);
    placeInside(window, QRect(window.pos() + QPoint(frame.left(), frame.top()), window.size()),
                usableArea(window));
}

} // namespace tarnelo
