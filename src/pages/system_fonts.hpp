// Where the offscreen platform, which the command line draws on, finds the system's fonts.
#pragma once

namespace tarnelo::pages {

// Before the first GUI application of a program without a window: points the offscreen
// platform's font database at the system's own fonts where it would not look by itself (on
// Windows it reads only QT_QPA_FONTDIR or Qt's own folder, so the Fonts folder of Windows is
// named, as found from the system); a QT_QPA_FONTDIR the user set is kept. Elsewhere fontconfig
// finds the fonts and nothing is done.
void useSystemFontsOffscreen();

} // namespace tarnelo::pages
