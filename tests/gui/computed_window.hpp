// A window with the record-form templates in its Data folder and the field manual's worked
// example typed into the grid and computed on screen.
#pragma once

#include "gui_support.hpp"

#include "support/worked_example.hpp"

#include <filesystem>

namespace tarnelo::guitest {

inline MainWindow& makeComputed(Harness& h) {
    for (const char* name : {"moduleexcel_1.dat", "moduleexcel_2.dat"}) {
        std::filesystem::copy_file(std::filesystem::path(TARNELO_PROGRAM_DIR) / "Data" / name,
                                   h.folder / "Data" / name);
    }
    MainWindow& w = h.make();
    for (int r = 0; r < 5; ++r) {
        for (std::size_t i = 0; i < testing::kWorkedExampleColumns.size(); ++i) {
            const char* text = testing::kWorkedExampleRows[r][i];
            if (text[0] != '\0') {
                typeIntoCell(&w.grid(), r, testing::kWorkedExampleColumns[i],
                             QString::fromLatin1(text));
            }
        }
    }
    h.click(ctl::计算);
    return w;
}

} // namespace tarnelo::guitest
