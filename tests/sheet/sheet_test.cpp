#include "app/window_sheet.hpp"
#include "sheet/sheet.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

TEST(Sheet, WritesOutsideTheSheetAreIgnored) {
    Sheet sheet;
    ASSERT_EQ(sheet.rowCount(), 20);
    sheet.setCell(20, 0, "x");
    sheet.setCell(-1, 0, "x");
    sheet.setCell(0, 17, "x");
    sheet.setCell(0, -1, "x");
    EXPECT_EQ(sheet.rowCount(), 20);
    EXPECT_EQ(sheet.cell(20, 0), "");
    sheet.setCell(19, 16, "last");
    EXPECT_EQ(sheet.cell(19, 16), "last");
}

TEST(Sheet, ClearColumnsKeepsRowsAndOtherColumns) {
    Sheet sheet;
    sheet.appendRow();
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            sheet.setCell(r, c, "v");
        }
    }
    sheet.clearColumns(4, 7);
    EXPECT_EQ(sheet.rowCount(), 21);
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            EXPECT_EQ(sheet.cell(r, c), c >= 4 && c <= 7 ? "" : "v") << r << "," << c;
        }
    }
}

TEST(Sheet, GrowsButNeverShrinks) {
    Sheet sheet;
    sheet.growTo(35);
    EXPECT_EQ(sheet.rowCount(), 35);
    sheet.growTo(12);
    EXPECT_EQ(sheet.rowCount(), 35);
}

TEST(Layout, EachModeLocksItsComputedColumnsAndColoursItsTypedHeadings) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    const Sheet& sheet = window.sheet();
    const int widths[] = {30, 39, 31, 29, 39, 39, 39, 37, 51, 29, 51, 63, 51, 29, 51, 31, 58};
    for (int c = 0; c < Sheet::kColumns; ++c) {
        EXPECT_EQ(sheet.columnWidth(c), widths[c]);
    }
    const bool verticalLocks[] = {true, false, false, false, true, false, false, true, true,
                                  true, true,  true,  true,  true, true,  true,  true};
    for (int c = 0; c < Sheet::kColumns; ++c) {
        EXPECT_EQ(sheet.isReadOnly(c), verticalLocks[c]) << "vertical mode, column " << c;
    }
    EXPECT_EQ(window.textColour(ctl::标签7), kRed);
    EXPECT_EQ(window.textColour(ctl::标签8), kRed);
    EXPECT_EQ(window.textColour(ctl::标签13), kBlack);

    window.setSelected(ctl::测速模式, true);
    EXPECT_FALSE(window.isSelected(ctl::垂线模式));
    window.sheet().setCell(0, col::N, "12");
    layoutSheet(window);
    const bool velocityLocks[] = {true, false, false, false, true, true, true, true, false,
                                  true, true,  true,  true,  true, true, true, true};
    for (int c = 0; c < Sheet::kColumns; ++c) {
        EXPECT_EQ(sheet.isReadOnly(c), velocityLocks[c]) << "velocity mode, column " << c;
    }
    for (auto label : {ctl::标签2, ctl::标签3, ctl::标签4, ctl::标签13}) {
        EXPECT_EQ(window.textColour(label), kRed) << label;
    }
    EXPECT_EQ(window.textColour(ctl::标签7), kBlack);
    EXPECT_EQ(window.textColour(ctl::标签8), kBlack);
    EXPECT_EQ(sheet.cell(0, col::N), "12"); // switching keeps the cells
    // A row appended later takes the marks of its columns at once.
    window.sheet().appendRow();
    EXPECT_TRUE(sheet.isReadOnly(col::N));
}

TEST(EnterKey, AppendsARowOnlyOnTheLastRow) {
    HeadlessWindow window("/nonexistent");
    Sheet& sheet = window.sheet();
    sheet.setCurrentRow(5);
    onSheetKey(window, 13);
    EXPECT_EQ(sheet.rowCount(), 20);
    sheet.setCurrentRow(19);
    onSheetKey(window, 9);
    EXPECT_EQ(sheet.rowCount(), 20);
    onSheetKey(window, 13);
    EXPECT_EQ(sheet.rowCount(), 21);
    onSheetKey(window, 13); // the cursor stayed on row 19, no longer the last
    EXPECT_EQ(sheet.rowCount(), 21);
}

} // namespace
} // namespace tarnelo
