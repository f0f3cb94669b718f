#include "app/window_sheet.hpp"

#include "sheet/sheet.hpp"
#include "window/window.hpp"
#include "window/window_gauging.hpp"

namespace tarnelo {

void layoutSheet(Window& window) {
    const EntryMode mode = selectedMode(window);
    layoutSheet(window.sheet(), mode);
    // The headings of the columns the mode types are red.
    const bool vertical = mode == EntryMode::Vertical;
    if (mode != EntryMode::Unknown) {
        window.setTextColour(ctl::标签2, kRed);
        window.setTextColour(ctl::标签3, kRed);
        window.setTextColour(ctl::标签4, kRed);
        window.setTextColour(ctl::标签7, vertical ? kRed : kBlack);
        window.setTextColour(ctl::标签8, vertical ? kRed : kBlack);
        window.setTextColour(ctl::标签13, vertical ? kBlack : kRed);
    }
}

void onSheetKey(Window& window, int key) {
    constexpr int kEnter = 13;
    Sheet& sheet = window.sheet();
    if (key == kEnter && sheet.currentRow() == sheet.rowCount() - 1) {
        sheet.appendRow();
    }
}

} // namespace tarnelo
