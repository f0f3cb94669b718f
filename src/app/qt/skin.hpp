// The program's look: Fusion with a calm blue-grey palette and a font that shows Chinese.
#pragma once

class QApplication;
class QIcon;
class QWidget;

namespace tarnelo {

// Once at start-up, before any window exists: style, palette, font, icon, and the toolkit's own
// texts in Chinese.
void prepareSkin(QApplication& application);

// The first thing a window's creation step does: take the skin's palette, font and icon.
void attachSkin(QWidget& window);

QIcon programIcon();

} // namespace tarnelo
