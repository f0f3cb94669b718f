#include "app/window_sheet.hpp"
#include "document/document.hpp"
#include "sheet/sheet_edit.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

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

// The document's rows in the columns a user types, to compare whole measurements.
std::vector<GaugingRow> rowsOf(const Document& document) {
    return document.gauging().rows;
}

// A sheet's step done on the document, as the window does it.
bool perform(Document& document, const SheetEdit& edit) {
    std::vector<CellText> cells;
    for (const CellWrite& write : edit.writes) {
        cells.push_back({write.row, write.column, write.text});
    }
    return document.setCells(cells, edit.name);
}

TEST(SheetSteps, UndoAndRedoRestoreEveryCellOfEveryKindOfStep) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    sheet.growTo(22);
    fillRows(sheet, 22);
    // Delete leaves the computed column 16 alone, and cells already empty.
    const SheetEdit emptied = emptyingEdit(sheet, {2, 0, 4, 16}, edits::kDelete);
    EXPECT_EQ(
        emptied.writes,
        (std::vector<CellWrite>{{2, col::起点距, ""}, {3, col::起点距, ""}, {4, col::起点距, ""}}));
    EXPECT_EQ(emptied.focus, (CellRange{2, 0, 4, 16}));

    Document document;
    for (int r = 0; r < 22; ++r) {
        document.setCell(r, col::起点距, std::to_string(r * 5));
    }
    std::vector<std::vector<GaugingRow>> states{rowsOf(document)};
    auto step = [&](bool done) {
        ASSERT_TRUE(done);
        states.push_back(rowsOf(document));
    };
    step(document.setCell(3, col::水深, "1.5"));
    step(perform(document, emptied));
    step(document.insertRows(1, 2));
    step(document.removeRows(10, 6)); // 24 rows: four come out, two leave empty rows at the end
    step(document.removeRows(0, 3));
    EXPECT_EQ(document.gauging().rows.size(), 20U);
    EXPECT_EQ(states[2][3].depth, "1.5");
    EXPECT_EQ(states[2][3].distance, "");

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(document.undo());
        ASSERT_EQ(rowsOf(document), states[i - 1]) << "undo to state " << i - 1;
    }
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(document.redo());
        ASSERT_EQ(rowsOf(document), states[i]) << "redo to state " << i;
    }
    EXPECT_FALSE(document.redo());
}

TEST(SheetSteps, NamesStepsKeepsTheDepthAndDropsTheUndoneOnANewStep) {
    Sheet sheet;
    Document document;
    // Steps that change nothing are not kept.
    EXPECT_FALSE(document.setCell(0, 1, ""));
    EXPECT_TRUE(emptyingEdit(sheet, {0, 0, 19, 16}, edits::kCut).writes.empty());
    EXPECT_FALSE(perform(document, emptyingEdit(sheet, {0, 0, 19, 16}, edits::kCut)));
    const int steps = static_cast<int>(Document::kHistoryDepth) + 50;
    for (int i = 0; i < steps; ++i) {
        document.setCell(0, 1, std::to_string(i));
    }
    for (std::size_t i = 0; i < Document::kHistoryDepth; ++i) {
        ASSERT_TRUE(document.undo());
    }
    // The newest steps came back.
    EXPECT_EQ(document.gauging().rows[0].distance, "49");
    EXPECT_FALSE(document.canUndo());
    EXPECT_EQ(undoStatus(document.undoName()), "没有可以撤销的操作。");
    EXPECT_EQ(redoStatus(document.redoName()), "已重做：输入");
    document.insertRows(0, 1);
    EXPECT_FALSE(document.canRedo());
    EXPECT_EQ(undoStatus(document.undoName()), "已撤销：插入行");
    // An opened file starts a new history.
    document.open(document.gauging(), {}, {});
    EXPECT_FALSE(document.canUndo());
    EXPECT_FALSE(document.canRedo());
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
