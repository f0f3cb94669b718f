// The field manual's worked example as a user types it: two water edges and three velocity
// verticals in the vertical mode, one of them a surface point. The checks find no 错误 in it.
#pragma once

#include "sheet/sheet.hpp"
#include "window/window.hpp"

#include <array>

namespace tarnelo::testing {

// Typed cells per row, in the order of kWorkedExampleColumns; "" for a cell left empty.
inline constexpr std::array<int, 5> kWorkedExampleColumns{col::起点距, col::水深, col::相对, col::N,
                                                          col::T};
inline constexpr const char* kWorkedExampleRows[5][5] = {{"0", "0", "", "", ""},
                                                         {"5", "1.2", "0.6", "10", "100"},
                                                         {"10", "1.8", "0.6", "15", "110"},
                                                         {"15", "1.5", "0.0", "20", "105"},
                                                         {"20", "0", "", "", ""}};

// Puts the worked example's typed cells straight into the window's sheet.
inline void typeWorkedExample(Window& window) {
    for (int r = 0; r < 5; ++r) {
        for (std::size_t k = 0; k < kWorkedExampleColumns.size(); ++k) {
            window.sheet().setCell(r, kWorkedExampleColumns[k], kWorkedExampleRows[r][k]);
        }
    }
}

} // namespace tarnelo::testing
