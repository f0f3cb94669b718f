#include "app/window_sheet.hpp"
#include "sheet/sheet_edit.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

// Every cell of the sheet, to compare whole sheets.
std::vector<Sheet::Row> cellsOf(const Sheet& sheet) {
    std::vector<Sheet::Row> rows;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        rows.push_back(sheet.row(r));
    }
    return rows;
}

void fillRows(Sheet& sheet, int rows) {
    for (int r = 0; r < rows; ++r) {
        sheet.setCell(r, col::起点距, std::to_string(r * 5));
        sheet.setCell(r, col::部分流量, "q" + std::to_string(r));
    }
}

// Counts what an observer hears about rows.
struct RowCounter : SheetObserver {
    void cellChanged(int, int) override {}
    void sheetReset() override { ++resets; }
    void layoutChanged() override {}
    void rowsInserted(int at, int count) override { events.push_back({at, count}); }
    void rowsRemoved(int at, int count) override { events.push_back({at, -count}); }
    int resets = 0;
    std::vector<std::pair<int, int>> events;
};

TEST(SheetRows, InsertAndRemoveKeepOtherRowsAndTheColumnMarks) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    fillRows(sheet, 20);
    RowCounter counter;
    sheet.setObserver(&counter);
    sheet.insertRow(5);
    EXPECT_EQ(sheet.rowCount(), 21);
    EXPECT_EQ(sheet.cell(4, 1), "20");
    EXPECT_EQ(sheet.cell(5, 1), "");
    EXPECT_EQ(sheet.cell(6, 1), "25");
    EXPECT_TRUE(sheet.isReadOnly(col::号数));
    EXPECT_FALSE(sheet.isReadOnly(col::N));
    sheet.insertRow(21); // at the end
    sheet.insertRow(23); // past the end: ignored
    EXPECT_EQ(sheet.rowCount(), 22);
    EXPECT_FALSE(sheet.removeRow(21));
    EXPECT_FALSE(sheet.removeRow(5));
    EXPECT_EQ(sheet.rowCount(), 20);
    EXPECT_EQ(sheet.cell(5, 1), "25");
    // At 20 rows a removal empties the row's place and appends an empty row.
    EXPECT_TRUE(sheet.removeRow(0));
    EXPECT_EQ(sheet.rowCount(), 20);
    EXPECT_EQ(sheet.cell(0, 1), "5");
    EXPECT_EQ(sheet.cell(19, 1), "");
    EXPECT_FALSE(sheet.removeRow(20));
    EXPECT_EQ(counter.events, (std::vector<std::pair<int, int>>{
                                  {5, 1}, {21, 1}, {21, -1}, {5, -1}, {0, -1}, {19, 1}}));
    EXPECT_EQ(counter.resets, 0);
    sheet.setObserver(nullptr);
}

TEST(SheetHistory, UndoAndRedoRestoreEveryCellOfEveryKindOfStep) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    fillRows(sheet, 22);
    sheet.growTo(22);
    fillRows(sheet, 22);
    std::vector<std::vector<Sheet::Row>> states{cellsOf(sheet)};
    SheetHistory history;
    auto step = [&](SheetEdit edit) {
        ASSERT_TRUE(history.perform(sheet, std::move(edit)));
        states.push_back(cellsOf(sheet));
    };
    step(typingEdit(sheet, 3, col::水深, "1.5"));
    step(emptyingEdit(sheet, {2, 0, 4, 16}, edits::kDelete));
    step(insertRowsEdit(sheet, 1, 2));
    step(removeRowsEdit(sheet, 10, 6)); // 24 rows: four come out, two leave empty rows at the end
    step(removeRowsEdit(sheet, 0, 3));
    EXPECT_EQ(sheet.rowCount(), 20);
    // Delete leaves the computed column 16 alone.
    EXPECT_EQ(states[2][3][col::部分流量], "q3");
    EXPECT_EQ(states[2][3][col::起点距], "");

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_NE(history.undo(sheet), nullptr);
        ASSERT_EQ(cellsOf(sheet), states[i - 1]) << "undo to state " << i - 1;
    }
    EXPECT_EQ(history.undo(sheet), nullptr);
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_NE(history.redo(sheet), nullptr);
        ASSERT_EQ(cellsOf(sheet), states[i]) << "redo to state " << i;
    }
    EXPECT_EQ(history.redo(sheet), nullptr);
}

TEST(SheetHistory, NamesStepsKeepsTheDepthAndDropsTheUndoneOnANewStep) {
    Sheet sheet;
    SheetHistory history(100);
    // Steps that change nothing are not kept.
    EXPECT_FALSE(history.perform(sheet, typingEdit(sheet, 0, 1, "")));
    EXPECT_FALSE(history.perform(sheet, emptyingEdit(sheet, {0, 0, 19, 16}, edits::kCut)));
    EXPECT_FALSE(history.perform(sheet, typingEdit(sheet, 20, 1, "x")));
    for (int i = 0; i < 150; ++i) {
        history.perform(sheet, typingEdit(sheet, 0, 1, std::to_string(i)));
    }
    EXPECT_EQ(history.undoSteps(), 100U);
    for (int i = 0; i < 100; ++i) {
        history.undo(sheet);
    }
    EXPECT_EQ(sheet.cell(0, 1), "49"); // the 100 newest steps came back
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(undoStatus(history.undo(sheet)), "没有可以撤销的操作。");
    EXPECT_EQ(redoStatus(history.redo(sheet)), "已重做：输入");
    history.perform(sheet, insertRowsEdit(sheet, 0, 1));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(undoStatus(history.undo(sheet)), "已撤销：插入行");
    history.clear();
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
}

TEST(TabTarget, SkipsReadOnlyColumnsAndWrapsToTheNextRow) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    const Sheet& sheet = window.sheet();
    std::vector<int> route;
    CellPos at{0, col::起点距};
    while (at.row == 0) {
        route.push_back(at.column);
        at = *tabTarget(sheet, at, true);
    }
    EXPECT_EQ(route, (std::vector<int>{1, 2, 3, 5, 6}));
    EXPECT_EQ(at, (CellPos{1, 1}));
    EXPECT_EQ(tabTarget(sheet, {1, 1}, false), (CellPos{0, 6}));
    EXPECT_EQ(tabTarget(sheet, {2, 5}, false), (CellPos{2, 3}));
    EXPECT_EQ(tabTarget(sheet, {2, 0}, true), (CellPos{2, 1})); // from a computed column too
    EXPECT_EQ(tabTarget(sheet, {19, 6}, true), std::nullopt);
    EXPECT_EQ(tabTarget(sheet, {0, 1}, false), std::nullopt);
    window.setSelected(ctl::测速模式, true);
    layoutSheet(window);
    EXPECT_EQ(tabTarget(sheet, {4, 3}, true), (CellPos{4, 8}));
    EXPECT_EQ(tabTarget(sheet, {4, 8}, true), (CellPos{5, 1}));
    EXPECT_EQ(readOnlyColumnStatus(col::测点深), "“测点深”是计算列，由“计算”填写，不能输入。");
}

} // namespace
} // namespace tarnelo
