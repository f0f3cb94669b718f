// The sheet 高级表格1 used as a spreadsheet, by key and mouse: ranges, clipboard, Delete, undo,
// rows, Tab and Enter, and the question before 清空 and 打开 throw away unsaved input.
#include "gui_support.hpp"

#include "app/qt/row_numbers.hpp"
#include "app/qt/sheet_editing.hpp"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

QPoint cellCentre(SheetView& grid, int row, int column) {
    return grid.visualRect(grid.model()->index(row, column)).center();
}

void clickCell(SheetView& grid, int row, int column,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, cellCentre(grid, row, column));
}

void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
    QCoreApplication::processEvents();
}

RowNumbers* rowNumbersOf(MainWindow& w) {
    return w.findChild<RowNumbers*>(QStringLiteral("行号"));
}

QPoint rowNumberCentre(RowNumbers& numbers, int row) {
    return {numbers.width() / 2, numbers.sectionViewportPosition(row) + 12};
}

// Every cell of the sheet.
std::vector<Sheet::Row> cellsOf(const Sheet& sheet) {
    std::vector<Sheet::Row> rows;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        rows.push_back(sheet.row(r));
    }
    return rows;
}

// Rows 0..n-1 typed with distances 0, 5, 10, ... and depths "d0", "d1", ... (not computed).
void fillRows(MainWindow& w, int n) {
    for (int r = 0; r < n; ++r) {
        enterCell(w, r, col::起点距, std::to_string(r * 5));
        enterCell(w, r, col::水深, "d" + std::to_string(r));
    }
}

QString status(MainWindow& w) {
    return w.statusBar()->currentMessage();
}

} // namespace

class SheetEditingTest : public QObject {
    Q_OBJECT

  private slots:
    void pasteFromASpreadsheetLandsInEditableCellsAndUndoes();
    void pastePastTheLastRowAppendsRows();
    void rangesByMouseAndKeysCopyCutAndDelete();
    void rowsInsertedAndDeletedKeepEveryOtherRow();
    void tabAndEnterRouteThroughWholeRows();
    void typingIntoAComputedCellIsNotDroppedSilently();
    void clearAndOpenAskBeforeThrowingAwayInput();
    void pointRowsTypedAsOnThePaperForm();
};

void SheetEditingTest::pasteFromASpreadsheetLandsInEditableCellsAndUndoes() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    typeIntoCell(&grid, 2, col::起点距, QStringLiteral("10"));
    typeIntoCell(&grid, 4, col::N, QStringLiteral("keep?"));
    w.sheet().setCell(3, col::测点深, "0.72"); // a computed value the paste must not touch
    const auto before = cellsOf(w.sheet());

    // Three columns, five rows, as WPS and Excel put them: CR LF after every row, an empty
    // cell in the first and last row.
    QApplication::clipboard()->setText(QStringLiteral("0.6\t1.1\t10\r\n"
                                                      "0.2\t1.2\t20\r\n"
                                                      "\t1.3\t30\r\n"
                                                      "0.8\t1.4\t40\r\n"
                                                      "0.0\t1.5\t\r\n"));
    clickCell(grid, 1, col::相对);
    press(&grid, Qt::Key_V, Qt::ControlModifier);
    const char* relative[] = {"0.6", "0.2", "", "0.8", "0.0"};
    const char* n[] = {"10", "20", "30", "40", ""};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.sheet().cell(1 + i, col::相对), std::string(relative[i]));
        QCOMPARE(w.sheet().cell(1 + i, col::N), std::string(n[i]));
        // The middle column fell on 测点深, which is computed: left out.
        QCOMPARE(w.sheet().cell(1 + i, col::测点深), before[1 + i][col::测点深]);
    }
    QCOMPARE(w.sheet().cell(2, col::起点距), std::string("10"));
    QCOMPARE(w.sheet().cell(6, col::相对), std::string());
    QCOMPARE(status(w),
             QStringLiteral("按位置粘贴：已粘贴 10 个单元格；5 个值落在计算列（只读），未粘贴。"));
    // The pasted block is selected.
    QCOMPARE(w.sheetEditing().selection(), (CellRange{1, 3, 5, 5}));
    const auto pasted = cellsOf(w.sheet());

    // A click inside the block selects that one cell, as in WPS and Excel: Esc, Delete empties
    // it alone, and undo brings it back.
    clickCell(grid, 2, col::N);
    press(&grid, Qt::Key_Escape);
    QCOMPARE(w.sheetEditing().selection(), (CellRange{2, col::N, 2, col::N}));
    press(&grid, Qt::Key_Delete);
    QCOMPARE(w.sheet().cell(2, col::N), std::string());
    QCOMPARE(w.sheet().cell(1, col::N), std::string("10"));
    QCOMPARE(w.sheet().cell(3, col::N), std::string("30"));
    QCOMPARE(w.sheet().cell(2, col::相对), std::string("0.2"));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cellsOf(w.sheet()), pasted);
    clickCell(grid, 1, col::相对);
    clickCell(grid, 5, col::N, Qt::ShiftModifier);

    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cellsOf(w.sheet()), before);
    QCOMPARE(status(w), QStringLiteral("已撤销：粘贴"));
    press(&grid, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(cellsOf(w.sheet()), pasted);
    QCOMPARE(status(w), QStringLiteral("已重做：粘贴"));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    press(&grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(cellsOf(w.sheet()), pasted);
    // Undo goes on through the typing before the paste, step by step.
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(4, col::N), std::string());
    QCOMPARE(status(w), QStringLiteral("已撤销：输入"));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(status(w), QStringLiteral("没有可以撤销的操作。"));
    QVERIFY(w.sheet().cell(2, col::起点距).empty());

    // One value pasted over a selected range fills its editable cells.
    QApplication::clipboard()->setText(QStringLiteral("0.6\r\n"));
    clickCell(grid, 8, col::水深);
    clickCell(grid, 10, col::N, Qt::ShiftModifier);
    press(&grid, Qt::Key_V, Qt::ControlModifier);
    for (int r = 8; r <= 10; ++r) {
        for (int c = col::水深; c <= col::N; ++c) {
            QCOMPARE(w.sheet().cell(r, c), std::string(c == col::测点深 ? "" : "0.6"));
        }
    }
    // A computation that did not run (too few rows) keeps the history, and is a step of it
    // when it emptied anything.
    h.click(ctl::计算);
    grid.setFocus();
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    if (status(w) == QStringLiteral("已撤销：计算")) {
        press(&grid, Qt::Key_Z, Qt::ControlModifier);
    }
    QCOMPARE(w.sheet().cell(8, col::水深), std::string());
    QCOMPARE(status(w), QStringLiteral("已撤销：粘贴"));
}

void SheetEditingTest::pastePastTheLastRowAppendsRows() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    // LibreOffice on Linux ends its lines with LF alone.
    QApplication::clipboard()->setText(QStringLiteral("90\t0.5\n95\t0.3\n100\t0\n"));
    grid.setCurrentIndex(grid.model()->index(18, col::起点距));
    grid.setFocus();
    press(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w.sheet().rowCount(), 21);
    QCOMPARE(grid.model()->rowCount(), 21);
    QCOMPARE(w.sheet().cell(20, col::起点距), std::string("100"));
    QCOMPARE(w.sheet().cell(20, col::水深), std::string("0"));
    QVERIFY(status(w).contains(QStringLiteral("表格末尾添加了 1 行")));
    QVERIFY(!(grid.model()->flags(grid.model()->index(20, col::号数)) & Qt::ItemIsEditable));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.sheet().rowCount(), 20);
    QCOMPARE(grid.model()->rowCount(), 20);
    QVERIFY(w.sheet().cell(18, col::起点距).empty());
}

void SheetEditingTest::rangesByMouseAndKeysCopyCutAndDelete() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    fillRows(w, 6);
    w.sheet().setCell(2, col::号数, "1"); // computed, never emptied by Delete
    // Drag from (1, 0) to (3, 2).
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, col::号数));
    QTest::mouseMove(grid.viewport(), cellCentre(grid, 3, col::水深));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, 3, col::水深));
    QCOMPARE(w.sheetEditing().selection(), (CellRange{1, 0, 3, 2}));
    press(&grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("\t5\td1\r\n1\t10\td2\r\n\t15\td3\r\n"));
    QVERIFY(QApplication::clipboard()->mimeData()->html().contains(
        QStringLiteral("<tr><td>1</td><td>10</td><td>d2</td></tr>")));

    press(&grid, Qt::Key_Delete);
    for (int r = 1; r <= 3; ++r) {
        QVERIFY(w.sheet().cell(r, col::起点距).empty());
        QVERIFY(w.sheet().cell(r, col::水深).empty());
    }
    QCOMPARE(w.sheet().cell(2, col::号数), std::string("1"));
    QCOMPARE(w.sheet().cell(4, col::起点距), std::string("20"));
    // Nothing asked, and the status bar says how many cells went and how to take them back.
    QVERIFY(h.questions.empty());
    QCOMPARE(status(w), QStringLiteral("已清空 6 个单元格（Ctrl+Z 撤销）。"));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(2, col::水深), std::string("d2"));

    // Shift+arrows grow the range from the current cell; Backspace empties it too.
    clickCell(grid, 4, col::起点距);
    press(&grid, Qt::Key_Down, Qt::ShiftModifier);
    press(&grid, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(w.sheetEditing().selection(), (CellRange{4, 1, 5, 2}));
    press(&grid, Qt::Key_Backspace);
    QVERIFY(w.sheet().cell(5, col::水深).empty());
    QCOMPARE(w.sheet().cell(3, col::水深), std::string("d3"));

    // Cut copies, then empties; Ctrl+A takes the whole sheet.
    clickCell(grid, 0, col::起点距);
    clickCell(grid, 0, col::水深, Qt::ShiftModifier);
    press(&grid, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("0\td0\r\n"));
    QVERIFY(w.sheet().cell(0, col::水深).empty());
    press(&grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w.sheetEditing().selection(), (CellRange{0, 0, 19, 16}));
    press(&grid, Qt::Key_Delete);
    QVERIFY(w.sheet().cell(3, col::起点距).empty());
    QCOMPARE(w.sheet().cell(2, col::号数), std::string("1"));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(0, col::水深), std::string("d0"));
    QCOMPARE(w.sheet().cell(3, col::起点距), std::string("15"));
}

void SheetEditingTest::rowsInsertedAndDeletedKeepEveryOtherRow() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    fillRows(w, 8);
    RowNumbers* numbers = rowNumbersOf(w);
    QVERIFY(numbers != nullptr);
    QVERIFY(numbers->isVisible());
    // The numbers stand left of the grid, not in it: the columns keep their places.
    QCOMPARE(numbers->geometry().right() + 1,
             grid.mapTo(h.find(std::string_view("client")), QPoint(0, 0)).x());
    QCOMPARE(grid.columnViewportPosition(0), 0);
    QCOMPARE(numbers->count(), 20);

    // A click on row number 4 selects row 3; Ctrl++ inserts a row above it.
    QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {}, rowNumberCentre(*numbers, 3));
    QCOMPARE(w.sheetEditing().selection(), (CellRange{3, 0, 3, 16}));
    press(&grid, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(w.sheet().rowCount(), 21);
    QCOMPARE(numbers->count(), 21);
    QVERIFY(w.sheet().cell(3, col::起点距).empty());
    for (int r = 0; r < 8; ++r) {
        QCOMPARE(w.sheet().cell(r < 3 ? r : r + 1, col::水深), "d" + std::to_string(r));
    }
    QCOMPARE(grid.model()->data(grid.model()->index(4, col::起点距)).toString(),
             QStringLiteral("15"));
    QVERIFY(!(grid.model()->flags(grid.model()->index(3, col::测点深)) & Qt::ItemIsEditable));
    QVERIFY(grid.model()->flags(grid.model()->index(3, col::N)) & Qt::ItemIsEditable);

    // Shift+click on row number 7 selects rows 3 to 6; Ctrl+- deletes them.
    QTest::mouseClick(numbers->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      rowNumberCentre(*numbers, 6));
    QCOMPARE(w.sheetEditing().selection(), (CellRange{3, 0, 6, 16}));
    press(&grid, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(w.sheet().rowCount(), 20); // 21 - 4, then back to the least 20
    const char* left[] = {"d0", "d1", "d2", "d6", "d7"};
    for (int r = 0; r < 5; ++r) {
        QCOMPARE(w.sheet().cell(r, col::水深), std::string(left[r]));
    }
    QVERIFY(w.sheet().cell(19, col::水深).empty());
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(status(w), QStringLiteral("已撤销：删除行"));
    QCOMPARE(w.sheet().rowCount(), 21);
    QCOMPARE(w.sheet().cell(6, col::水深), std::string("d5"));

    // The context menu of the row numbers inserts below.
    QString item;
    QTimer::singleShot(0, this, [&item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("在下方插入行")) {
                item = action->text();
                action->trigger();
            }
        }
        menu->close();
    });
    QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {}, rowNumberCentre(*numbers, 0));
    emit numbers->customContextMenuRequested(rowNumberCentre(*numbers, 0));
    QCOMPARE(item, QStringLiteral("在下方插入行"));
    QCOMPARE(w.sheet().rowCount(), 22);
    QCOMPARE(w.sheet().cell(0, col::水深), std::string("d0"));
    QVERIFY(w.sheet().cell(1, col::水深).empty());
    QCOMPARE(w.sheet().cell(2, col::水深), std::string("d1"));
}

void SheetEditingTest::tabAndEnterRouteThroughWholeRows() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    grid.setCurrentIndex(grid.model()->index(0, col::起点距));
    grid.setFocus();
    // A whole row typed as field staff do: value, Tab, ..., Enter; the next row the same.
    const QString rows[2][5] = {{"5", "1.2", "0.6", "10", "100"},
                                {"10", "1.8", "0.6", "15", "110"}};
    const int typed[] = {col::起点距, col::水深, col::相对, col::N, col::T};
    for (int r = 0; r < 2; ++r) {
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(grid.currentIndex(), grid.model()->index(r, typed[i]));
            typeKeys(&grid, rows[r][i].left(1));
            QWidget* editor = grid.indexWidget(grid.currentIndex());
            QVERIFY(editor != nullptr);
            typeKeys(editor, rows[r][i].mid(1));
            press(editor, i < 4 ? Qt::Key_Tab : Qt::Key_Return);
        }
    }
    QCOMPARE(grid.currentIndex(), grid.model()->index(2, col::起点距));
    for (int r = 0; r < 2; ++r) {
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(qs(w.sheet().cell(r, typed[i])), rows[r][i]);
        }
    }
    // Without editing: Tab skips 测点深, wraps at the row's end; Shift+Tab goes back.
    grid.setCurrentIndex(grid.model()->index(3, col::相对));
    press(&grid, Qt::Key_Tab);
    QCOMPARE(grid.currentIndex(), grid.model()->index(3, col::N));
    press(&grid, Qt::Key_Tab);
    press(&grid, Qt::Key_Tab);
    QCOMPARE(grid.currentIndex(), grid.model()->index(4, col::起点距));
    press(&grid, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(grid.currentIndex(), grid.model()->index(3, col::T));
    // Enter after a run of Tabs returns to the column where the run began.
    press(&grid, Qt::Key_Return);
    QCOMPARE(grid.currentIndex(), grid.model()->index(4, col::相对));
    // Arrow keys move between cells; a plain Enter keeps the column.
    press(&grid, Qt::Key_Right);
    QCOMPARE(grid.currentIndex(), grid.model()->index(4, col::测点深));
    press(&grid, Qt::Key_Up);
    press(&grid, Qt::Key_Return);
    QCOMPARE(grid.currentIndex(), grid.model()->index(4, col::测点深));
    // F2 edits the text in place; arrows then move inside it.
    grid.setCurrentIndex(grid.model()->index(1, col::水深));
    press(&grid, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->text(), QStringLiteral("1.8"));
    press(editor, Qt::Key_End);
    press(editor, Qt::Key_Left);
    typeKeys(editor, QStringLiteral("5"));
    press(editor, Qt::Key_Return);
    QCOMPARE(w.sheet().cell(1, col::水深), std::string("1.58"));
    // In the velocity-measurement mode the route is 起点距, 水深, 相对, 测点流速.
    QTest::mouseClick(h.find<QRadioButton>(ctl::测速模式), Qt::LeftButton);
    grid.setCurrentIndex(grid.model()->index(6, col::相对));
    grid.setFocus();
    press(&grid, Qt::Key_Tab);
    QCOMPARE(grid.currentIndex(), grid.model()->index(6, col::测点流速));
    press(&grid, Qt::Key_Tab);
    QCOMPARE(grid.currentIndex(), grid.model()->index(7, col::起点距));
}

void SheetEditingTest::typingIntoAComputedCellIsNotDroppedSilently() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    grid.setCurrentIndex(grid.model()->index(2, col::测点深));
    grid.setFocus();
    typeKeys(&grid, QStringLiteral("7"));
    QVERIFY(w.sheet().cell(2, col::测点深).empty());
    QCOMPARE(status(w), QStringLiteral("“测点深”是计算列，由“计算”填写，不能输入。"));
    // Typing into an editable cell replaces its text, as before.
    typeIntoCell(&grid, 2, col::水深, QStringLiteral("1.5"));
    typeIntoCell(&grid, 2, col::水深, QStringLiteral("2"));
    QCOMPARE(w.sheet().cell(2, col::水深), std::string("2"));
}

void SheetEditingTest::clearAndOpenAskBeforeThrowingAwayInput() {
    Harness h;
    MainWindow& w = h.make();
    typeIntoCell(&w.grid(), 0, col::起点距, QStringLiteral("0"));
    typeIntoCell(&w.grid(), 0, col::水深, QStringLiteral("0"));
    typeIntoCell(&w.grid(), 1, col::起点距, QStringLiteral("5"));
    h.click(ctl::计算);
    w.setText(ctl::编辑框当前操作数据, "a.dat");
    const auto sheet = cellsOf(w.sheet());
    const std::string result = w.text(ctl::致谢框);

    // No keeps everything: sheet, results, current file, the history.
    h.answers.push_back(false);
    h.click(ctl::清空);
    QCOMPARE(h.questions.size(), std::size_t(1));
    QCOMPARE(h.questions[0].text,
             std::string("当前的测量数据“a.dat”（含制表数据）还没有保存，清空前是否保存？"));
    QCOMPARE(h.questions[0].title, std::string("Tarnelo"));
    QCOMPARE(cellsOf(w.sheet()), sheet);
    QCOMPARE(w.text(ctl::致谢框), result);
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("a.dat"));
    // Nothing was computed from two rows: no form before or after.
    QVERIFY(!h.find(ctl::导出Excel)->isEnabled());
    // 打开 asks the same before its dialog; No opens no dialog.
    h.answers.push_back(false);
    h.click(ctl::打开);
    QCOMPARE(h.questions.size(), std::size_t(2));
    QVERIFY(h.dialogs.empty());
    QCOMPARE(cellsOf(w.sheet()), sheet);

    // Saved, there is nothing to lose: no question.
    h.files.push_back(h.folder / "Text data" / "a.dat");
    h.click(ctl::保存);
    h.click(ctl::清空);
    QCOMPARE(h.questions.size(), std::size_t(2));
    QVERIFY(w.sheet().cell(1, col::起点距).empty());
    h.files.push_back(h.folder / "Text data" / "a.dat");
    h.click(ctl::打开);
    QCOMPARE(h.questions.size(), std::size_t(2));
    QCOMPARE(w.sheet().cell(1, col::起点距), std::string("5"));
    // A row deleted after opening is unsaved input; Yes goes ahead.
    w.grid().setCurrentIndex(w.grid().model()->index(0, col::起点距));
    w.grid().setFocus();
    press(&w.grid(), Qt::Key_Minus, Qt::ControlModifier);
    h.answers.push_back(true);
    h.click(ctl::清空);
    QCOMPARE(h.questions.size(), std::size_t(3));
    QVERIFY(w.sheet().cell(0, col::起点距).empty());
}

// A two-point vertical typed as the field book has it: the 0.8 point on the row below, 起点距
// and 水深 left blank. With the factory meter (V = 0.6793·20N/T + 0.0033):
// 0.2: N 16, T 100 → 2.17706 → 2.18; 0.8: N 12, T 100 → 1.63362 → 1.63; mean 1.905 → 1.90.
void SheetEditingTest::pointRowsTypedAsOnThePaperForm() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    const std::vector<std::vector<std::pair<int, const char*>>> rows = {
        {{col::起点距, "0"}, {col::水深, "0"}},
        {{col::起点距, "5"},
         {col::水深, "1.2"},
         {col::相对, "0.6"},
         {col::N, "10"},
         {col::T, "100"}},
        {{col::起点距, "10"},
         {col::水深, "2.0"},
         {col::相对, "0.2"},
         {col::N, "16"},
         {col::T, "100"}},
        {{col::相对, "0.8"}, {col::N, "12"}, {col::T, "100"}},
        {{col::起点距, "15"},
         {col::水深, "1.5"},
         {col::相对, "0.6"},
         {col::N, "12"},
         {col::T, "105"}},
        {{col::起点距, "20"}, {col::水深, "0"}}};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const auto& [column, text] : rows[r]) {
            typeIntoCell(&grid, static_cast<int>(r), column, QString::fromUtf8(text));
        }
    }
    const QAbstractItemModel* model = grid.model();
    // The point row shows as a point of the vertical above.
    QCOMPARE(model->data(model->index(3, col::起点距)).toString(), QStringLiteral("└ 测点"));
    QCOMPARE(model->data(model->index(3, col::起点距), Qt::EditRole).toString(), QString());
    QVERIFY(model->data(model->index(3, col::相对), Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(model->index(2, col::相对), Qt::BackgroundRole).isValid());

    h.click(ctl::计算);
    QCOMPARE(h.find<QLineEdit>(ctl::致谢框)->text(), QStringLiteral("感谢使用!"));
    const char* numbers[] = {"水边", "1", "2", "", "3", "水边"};
    for (int r = 0; r < 6; ++r) {
        QCOMPARE(w.sheet().cell(r, col::号数), std::string(numbers[r]));
    }
    QCOMPARE(w.sheet().cell(2, col::测点流速), std::string("2.18"));
    QCOMPARE(w.sheet().cell(3, col::测点流速), std::string("1.63"));
    QCOMPARE(w.sheet().cell(3, col::测点深), std::string("1.60"));
    QCOMPARE(w.sheet().cell(2, col::平均流速), std::string("1.90"));
    QCOMPARE(w.sheet().cell(3, col::平均流速), std::string());
    QCOMPARE(w.sheet().cell(2, col::平均水深), std::string("1.75"));
    QCOMPARE(w.sheet().cell(2, col::间距), std::string("5.0"));

    // 插入测点 on the two-point vertical: a row under its last point, the cursor on 相对.
    clickCell(grid, 2, col::N);
    press(&grid, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(5, col::起点距), std::string("15"));
    for (int c = 0; c < Sheet::kColumns; ++c) {
        QCOMPARE(w.sheet().cell(4, c), std::string());
    }
    QCOMPARE(grid.currentIndex().row(), 4);
    QCOMPARE(grid.currentIndex().column(), col::相对);
    QVERIFY(status(w).contains(QStringLiteral("已在第 5 行插入测点行")));
    press(&grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(status(w), QStringLiteral("已撤销：插入测点"));
    QCOMPARE(w.sheet().cell(4, col::起点距), std::string("15"));

    // The context menu offers it beside 插入行: on the one-point vertical it adds the row below.
    QStringList texts;
    QTimer::singleShot(0, this, [&texts] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        for (QAction* action : menu->actions()) {
            texts << action->text();
        }
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("插入测点")) {
                action->trigger();
            }
        }
        menu->close();
    });
    clickCell(grid, 1, col::T);
    emit grid.customContextMenuRequested(cellCentre(grid, 1, col::T));
    QCOMPARE(texts.indexOf(QStringLiteral("插入测点")),
             texts.indexOf(QStringLiteral("在下方插入行")) + 1);
    QVERIFY(w.sheet().cell(2, col::起点距).empty());
    QCOMPARE(w.sheet().cell(3, col::起点距), std::string("10"));
}

#include "sheet_editing_test.moc"

int runSheetEditingTests(int argc, char** argv) {
    SheetEditingTest test;
    return QTest::qExec(&test, argc, argv);
}
