// A small gauging typed into a window as a user would: two water edges and three velocity
// verticals in the vertical mode, plausible enough that the checks raise no 错误.
#pragma once

#include "sheet/sheet.hpp"
#include "window/window.hpp"

namespace tarnelo::testing {

inline void typeSmallGauging(Window& window) {
    const char* rows[][5] = {{"0", "0", "", "", ""},
                             {"5", "1.2", "0.6", "10", "100"},
                             {"10", "1.8", "0.6", "15", "110"},
                             {"15", "1.5", "0.6", "12", "105"},
                             {"20", "0", "", "", ""}};
    const int columns[] = {col::起点距, col::水深, col::相对, col::N, col::T};
    for (int r = 0; r < 5; ++r) {
        for (int k = 0; k < 5; ++k) {
            window.sheet().setCell(r, columns[k], rows[r][k]);
        }
    }
}

} // namespace tarnelo::testing
