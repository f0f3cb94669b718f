#include "app/window_sheet.hpp"
#include "document/document.hpp"
#include "sheet/clipboard_text.hpp"
#include "support/headless_window.hpp"

#include <gtest/gtest.h>

namespace tarnelo {
namespace {

// Writes a step's cells into the sheet, growing it as the document grows for rows past its end;
// false when the step writes nothing.
bool write(Sheet& sheet, const SheetEdit& edit) {
    for (const CellWrite& cell : edit.writes) {
        sheet.growTo(cell.row + 1);
        sheet.setCell(cell.row, cell.column, cell.text);
    }
    return !edit.writes.empty();
}

// Three columns by five rows as WPS and Excel put them on the clipboard.
constexpr std::string_view kFromExcel = "0\t0\t\r\n"
                                        "5\t1.2\t0.6\r\n"
                                        "10\t1.8\t0.6\r\n"
                                        "15\t1.5\t0.0\r\n"
                                        "20\t0\t\r\n";

TEST(ParseTabSeparated, ReadsSpreadsheetClipboardText) {
    const CellBlock block = parseTabSeparated(kFromExcel);
    ASSERT_EQ(block.size(), 5U); // the last CR LF opens no row
    EXPECT_EQ(block[0], (std::vector<std::string>{"0", "0", ""}));
    EXPECT_EQ(block[3], (std::vector<std::string>{"15", "1.5", "0.0"}));
    // LibreOffice on Linux ends lines with LF; old Mac programs with CR.
    EXPECT_EQ(parseTabSeparated("1\t2\n3\t4\n"), parseTabSeparated("1\t2\r\n3\t4\r\n"));
    EXPECT_EQ(parseTabSeparated("1\t2\r3\t4"), parseTabSeparated("1\t2\r\n3\t4\r\n"));
    // Empty cells and rows in the middle stay; only one line end at the end is dropped.
    EXPECT_EQ(parseTabSeparated("\t\t\r\n\r\nx\r\n\r\n"),
              (CellBlock{{"", "", ""}, {""}, {"x"}, {""}}));
    EXPECT_TRUE(parseTabSeparated("").empty());
    EXPECT_TRUE(parseTabSeparated("\r\n").empty());
    EXPECT_EQ(parseTabSeparated("0.6"), (CellBlock{{"0.6"}}));
    EXPECT_EQ(parseTabSeparated("水边\t起点 5"), (CellBlock{{"水边", "起点 5"}}));
}

TEST(ParseTabSeparated, QuotedCellsAsExcelWritesThem) {
    EXPECT_EQ(parseTabSeparated("\"a\tb\"\t\"say \"\"hi\"\"\"\r\n"),
              (CellBlock{{"a\tb", "say \"hi\""}}));
    // A line break inside a cell becomes a space: a sheet cell holds one line.
    EXPECT_EQ(parseTabSeparated("\"1\r\n2\"\t3\r\n"), (CellBlock{{"1 2", "3"}}));
    // A quote that does not close a cell is text.
    EXPECT_EQ(parseTabSeparated("\"5\t6\"x\r\n"), (CellBlock{{"\"5", "6\"x"}}));
    EXPECT_EQ(parseTabSeparated("\"open"), (CellBlock{{"\"open"}}));
}

TEST(CopyText, TabsCrLfAndAnHtmlTable) {
    Sheet sheet;
    sheet.setCell(1, 1, "5");
    sheet.setCell(1, 2, "1.2");
    sheet.setCell(2, 1, "a<b>&\"");
    sheet.setCell(2, 3, "x\ty");
    EXPECT_EQ(toTabSeparated(sheet, {1, 1, 2, 3}), "5\t1.2\t\r\na<b>&\"\t\t\"x\ty\"\r\n");
    // What is copied pastes back as the same cells.
    const CellBlock again = parseTabSeparated(toTabSeparated(sheet, {1, 1, 2, 3}));
    EXPECT_EQ(again, (CellBlock{{"5", "1.2", ""}, {"a<b>&\"", "", "x\ty"}}));
    const std::string html = toHtmlTable(sheet, {1, 1, 2, 2});
    EXPECT_NE(html.find("<table><tr><td>5</td><td>1.2</td></tr><tr><td>a&lt;b&gt;&amp;&quot;</td>"
                        "<td></td></tr></table>"),
              std::string::npos);
    // A range reaching past the sheet is cut to it.
    EXPECT_EQ(toTabSeparated(sheet, {19, 15, 25, 30}), "\t\r\n");
}

TEST(PlanPaste, ReadOnlyColumnsAreLeftOutAndCounted) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window); // vertical mode: 0, 4 and 7-16 are computed
    Sheet& sheet = window.sheet();
    // The block starts at 相对: its second column lands on 测点深 (computed), the third on N.
    const PastePlan plan = planPaste(sheet, parseTabSeparated(kFromExcel), {2, 3, 2, 3});
    EXPECT_EQ(plan.leftOutReadOnly, 5); // "0", "1.2", "1.8", "1.5", "0"
    EXPECT_EQ(plan.leftOutOutside, 0);
    EXPECT_EQ(plan.rowsToAppend, 0);
    EXPECT_EQ(plan.covered, (CellRange{2, 3, 6, 5}));
    ASSERT_TRUE(write(sheet, pasteEdit(sheet, plan)));
    EXPECT_EQ(sheet.cell(2, 3), "0");
    EXPECT_EQ(sheet.cell(2, 4), "");
    EXPECT_EQ(sheet.cell(2, 5), "");
    EXPECT_EQ(sheet.cell(3, 3), "5");
    EXPECT_EQ(sheet.cell(3, 5), "0.6");
    EXPECT_EQ(sheet.cell(6, 3), "20");
    EXPECT_EQ(pasteStatus(plan),
              "按位置粘贴：已粘贴 10 个单元格；5 个值落在计算列（只读），未粘贴。");
}

TEST(PlanPaste, AFieldBookBlockOfTheTypedColumnsSkipsTheComputedOnes) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    // 起点距, 水深, 相对, N, T: as wide as the vertical mode's typed columns.
    const CellBlock block = parseTabSeparated("0\t0\t\t\t\r\n5\t1.2\t0.6\t10\t100\r\n");
    EXPECT_EQ(typedColumns(sheet), (std::vector<int>{1, 2, 3, 5, 6}));
    EXPECT_EQ(pasteRuleFor(sheet, block, {0, col::起点距, 0, col::起点距}),
              PasteRule::TypedColumns);
    // Elsewhere, narrower or wider, or one value: placed as it is.
    EXPECT_EQ(pasteRuleFor(sheet, block, {0, col::水深, 0, col::水深}), PasteRule::AsPlaced);
    EXPECT_EQ(pasteRuleFor(sheet, parseTabSeparated("1\t2\t3\t4\r\n"), {0, 1, 0, 1}),
              PasteRule::AsPlaced);
    EXPECT_EQ(pasteRuleFor(sheet, parseTabSeparated("1\t2\t3\t4\t5\t6\r\n"), {0, 1, 0, 1}),
              PasteRule::AsPlaced);
    EXPECT_EQ(pasteRuleFor(sheet, parseTabSeparated("7"), {0, 1, 0, 1}, 1), PasteRule::AsPlaced);
    // A block of this program's own goes back to its columns.
    EXPECT_EQ(pasteRuleFor(sheet, block, {0, col::起点距, 0, col::起点距}, 2),
              PasteRule::OwnColumns);

    const PastePlan plan =
        planPaste(sheet, block, {3, col::起点距, 3, col::起点距}, PasteRule::TypedColumns);
    EXPECT_EQ(plan.leftOutReadOnly, 0);
    EXPECT_EQ(plan.covered, (CellRange{3, col::起点距, 4, col::T}));
    ASSERT_TRUE(write(sheet, pasteEdit(sheet, plan)));
    EXPECT_EQ(sheet.cell(4, col::N), "10");
    EXPECT_EQ(sheet.cell(4, col::T), "100");
    EXPECT_EQ(sheet.cell(4, col::测点深), "");
    EXPECT_EQ(pasteStatus(plan), "按输入列粘贴（跳过计算列）：已粘贴 10 个单元格。");

    // The velocity-measurement mode types 测点流速 after 相对.
    window.setSelected(ctl::垂线模式, false);
    window.setSelected(ctl::测速模式, true);
    layoutSheet(window);
    EXPECT_EQ(typedColumns(sheet), (std::vector<int>{1, 2, 3, 8}));
    const CellBlock four = parseTabSeparated("5\t1.2\t0.6\t1.31\r\n");
    ASSERT_EQ(pasteRuleFor(sheet, four, {0, 1, 0, 1}), PasteRule::TypedColumns);
    const PastePlan velocity = planPaste(sheet, four, {0, 1, 0, 1}, PasteRule::TypedColumns);
    ASSERT_EQ(velocity.writes.size(), 4U);
    EXPECT_EQ(velocity.writes[3].column, col::测点流速);

    // Own columns: pasted at 起点距 of row 6, a block copied from 相对 lands at 相对.
    const PastePlan own = planPaste(sheet, parseTabSeparated("0.2\t9\r\n"), {6, 1, 6, 1},
                                    PasteRule::OwnColumns, col::相对);
    EXPECT_EQ(own.covered, (CellRange{6, col::相对, 6, col::测点深}));
    ASSERT_EQ(own.writes.size(), 1U);
    EXPECT_EQ(own.writes[0].column, col::相对);
    EXPECT_EQ(own.leftOutReadOnly, 1);
}

TEST(PlanPaste, RunsPastTheLastRowAndTheLastColumn) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    sheet.setCell(19, 5, "old");
    // Five rows from row 18: three rows appended; the empty last row needs none of its own.
    const CellBlock block = parseTabSeparated("1\t2\r\n3\t4\r\n5\t6\r\n7\t8\r\n9\t\r\n\t\r\n");
    const PastePlan plan = planPaste(sheet, block, {18, 5, 18, 5});
    EXPECT_EQ(plan.rowsToAppend, 3);
    const SheetEdit paste = pasteEdit(sheet, plan);
    // As one step of the measurement's history: the rows come with it and go with its undo.
    Document document;
    document.setCell(19, 5, "old");
    std::vector<CellText> cells;
    for (const CellWrite& cell : paste.writes) {
        cells.push_back({cell.row, cell.column, cell.text});
    }
    ASSERT_TRUE(document.setCells(cells, paste.name));
    EXPECT_EQ(document.gauging().rows.size(), 23U);
    EXPECT_EQ(document.gauging().rows[22].signalCount, "9");
    ASSERT_TRUE(document.undo());
    EXPECT_EQ(document.gauging().rows.size(), 20U);
    EXPECT_EQ(document.gauging().rows[19].signalCount, "old");
    EXPECT_EQ(document.gauging().rows[18].seconds, "");
    ASSERT_TRUE(write(sheet, paste));
    EXPECT_EQ(sheet.rowCount(), 23);
    EXPECT_EQ(sheet.cell(19, 5), "3");
    EXPECT_EQ(sheet.cell(22, 5), "9");
    EXPECT_TRUE(sheet.isReadOnly(7)); // new rows take the marks of their columns

    // From 部分流量's left neighbour rightwards: values past column 16 are counted.
    const PastePlan wide = planPaste(sheet, parseTabSeparated("a\tb\tc\r\n"), {0, 15, 0, 15});
    EXPECT_EQ(wide.leftOutReadOnly, 2);
    EXPECT_EQ(wide.leftOutOutside, 1);
    EXPECT_TRUE(wide.writes.empty());
    EXPECT_FALSE(write(sheet, pasteEdit(sheet, wide)));
}

TEST(PlanPaste, OneValueFillsTheEditableCellsOfARange) {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    Sheet& sheet = window.sheet();
    const PastePlan plan = planPaste(sheet, parseTabSeparated("0.6\r\n"), {1, 2, 3, 5});
    ASSERT_EQ(plan.writes.size(), 9U); // columns 2, 3 and 5 of three rows; 4 is computed
    write(sheet, pasteEdit(sheet, plan));
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(sheet.cell(r, 2), "0.6");
        EXPECT_EQ(sheet.cell(r, 4), "");
        EXPECT_EQ(sheet.cell(r, 5), "0.6");
    }
    EXPECT_EQ(sheet.cell(4, 2), "");
}

TEST(PlanPaste, RefusesABlockLongerThanTheSheetMayGrow) {
    Sheet sheet;
    CellBlock block(static_cast<std::size_t>(kMostPastedRows), std::vector<std::string>{"1"});
    const PastePlan plan = planPaste(sheet, block, {1, 1, 1, 1});
    EXPECT_TRUE(plan.tooLarge);
    EXPECT_TRUE(plan.writes.empty());
    EXPECT_NE(pasteStatus(plan).find("未粘贴"), std::string::npos);
    EXPECT_FALSE(planPaste(sheet, block, {0, 1, 0, 1}).tooLarge);
}

} // namespace
} // namespace tarnelo
