// The sheet of a window for its selected entry mode: widths, read-only columns and the headings'
// colours; and what Enter on the sheet's last row does.
#pragma once

namespace tarnelo {

class Window;

// Widths, read-only columns and heading colours for the selected entry mode.
void layoutSheet(Window& window);

// Enter (key code 13) on the last row appends a row; any other key or row does nothing.
void onSheetKey(Window& window, int key);

} // namespace tarnelo
