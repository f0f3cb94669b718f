// A cell being typed into while the user does something else: a click on the cell, a key of a
// command, a menu. No keystroke is lost, and no command works on the input before the edit:
// the edit is written first, and what needs current results refuses outdated ones.
#include "computed_window.hpp"
#include "gui_support.hpp"

#include "app/qt/section_plot_window.hpp"
#include "app/qt/sheet_editing.hpp"
#include "app/qt/uncertainty_view.hpp"
#include "compute/compute.hpp"
#include "window/window_gauging.hpp"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

void clickCell(SheetView& grid, int row, int column) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.visualRect(grid.model()->index(row, column)).center());
}

// Keys as the keyboard sends them in the sheet: to the cell editor when one is open, else to
// the grid.
QWidget* focusOf(SheetView& grid) {
    QWidget* editor = grid.indexWidget(grid.currentIndex());
    return editor != nullptr ? editor : &grid;
}

void typeToFocus(SheetView& grid, const QString& text) {
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, focusOf(grid), Qt::Key_unknown, QString(ch),
                            Qt::NoModifier);
    }
}

void keyToFocus(SheetView& grid, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(focusOf(grid), key, modifiers);
    QCoreApplication::processEvents();
}

// Longer than the wait that tells a click from a double-click.
int clickPause() {
    return QApplication::doubleClickInterval() + 150;
}

// Opens an editor on a cell by typing into it and leaves it open.
QWidget* startEditing(MainWindow& w, int row, int column, const QString& text) {
    w.grid().setCurrentIndex(w.sheetModel().index(row, column));
    w.grid().setFocus();
    typeToFocus(w.grid(), text);
    return w.grid().indexWidget(w.grid().currentIndex());
}

QString status(MainWindow& w) {
    return w.statusBar()->currentMessage();
}

bool staleShown(const Harness& h) {
    return h.find<QLineEdit>(ctl::断面流量)->property("stale").toBool();
}

} // namespace

class PendingEditTest : public QObject {
    Q_OBJECT

  private slots:
    void aClickOnTheCurrentCellCostsNoKeystroke();
    void deleteAfterASlowClickEmptiesTheCell();
    void everyCommandWritesTheCellBeingEditedFirst();
    void insertingAPointOnTheEmptyRowUnderAVertical();
    void outdatedResultsKeepTheirUncertaintyAndPicture();
};

void PendingEditTest::aClickOnTheCurrentCellCostsNoKeystroke() {
    Harness h;
    MainWindow& w = makeComputed(h);
    SheetView& grid = w.grid();
    // Typed at once after a click on the cell that is already current, onto an empty cell and
    // onto one with a value.
    for (const auto& [row, typed] :
         {std::pair{1, QStringLiteral("1.35")}, std::pair{2, QStringLiteral("12.5")}}) {
        clickCell(grid, row, col::起点距);
        QTest::qWait(clickPause());
        clickCell(grid, row, col::起点距);
        typeToFocus(grid, typed);
        keyToFocus(grid, Qt::Key_Return);
        QTest::qWait(clickPause());
        QCOMPARE(qs(w.sheet().cell(row, col::起点距)), typed);
        QVERIFY(!grid.editing());
    }
}

void PendingEditTest::deleteAfterASlowClickEmptiesTheCell() {
    Harness h;
    MainWindow& w = makeComputed(h);
    SheetView& grid = w.grid();
    QVERIFY(!staleShown(h));
    // A slow click on the current cell, then Delete: the cell is emptied at once, the results
    // are outdated, and Ctrl+E reaches 导出Excel, which refuses them.
    clickCell(grid, 2, col::N);
    QTest::qWait(clickPause());
    clickCell(grid, 2, col::N);
    QTest::qWait(clickPause());
    keyToFocus(grid, Qt::Key_Delete);
    QCOMPARE(w.sheet().cell(2, col::N), std::string());
    QVERIFY(!grid.editing());
    QVERIFY(staleShown(h));
    keyToFocus(grid, Qt::Key_E, Qt::ControlModifier);
    QVERIFY(status(w).contains(QStringLiteral("记载表没有导出")));
    QVERIFY(h.dialogs.empty());
}

void PendingEditTest::everyCommandWritesTheCellBeingEditedFirst() {
    Harness h;
    MainWindow& w = makeComputed(h);
    int printed = 0;
    int exported = 0;
    w.printAction = [&printed](Window&, const sys::KeepWaiting&) {
        ++printed;
        return FormOutcome{FormOutcome::Status::Done, false, {}, "printed", {}};
    };
    w.exportAction = [&exported](Window&) {
        ++exported;
        return FormOutcome{};
    };
    const auto nIs = [&w](const char* text) { return w.sheet().cell(1, col::N) == text; };

    // Ctrl+P, Ctrl+E and Alt+E with an edit open: the edit lands, nothing is printed or
    // exported, and the status bar says why.
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* typed;
        const char* said;
    };
    for (const Key& key : {Key{Qt::Key_P, Qt::ControlModifier, "25", "记载表没有打印"},
                           Key{Qt::Key_E, Qt::ControlModifier, "26", "记载表没有导出"},
                           Key{Qt::Key_E, Qt::AltModifier, "27", "记载表没有导出"}}) {
        keyToFocus(w.grid(), Qt::Key_F5);
        QVERIFY(!staleShown(h));
        QWidget* editor = startEditing(w, 1, col::N, QString::fromLatin1(key.typed));
        QVERIFY(editor != nullptr);
        QVERIFY(!nIs(key.typed));
        QTest::keyClick(editor, key.key, key.modifiers);
        QTest::qWait(200);
        QVERIFY2(nIs(key.typed), key.typed);
        QVERIFY(!w.grid().editing());
        QVERIFY(staleShown(h));
        QVERIFY2(status(w).contains(QString::fromUtf8(key.said)), qPrintable(status(w)));
    }
    QCOMPARE(printed, 0);
    QCOMPARE(exported, 0);
    // With current results the same key prints.
    keyToFocus(w.grid(), Qt::Key_F5);
    keyToFocus(w.grid(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(printed, 1);

    // 更多 (Alt+M) opens the record header on the input as typed.
    std::string seen;
    h.onDialog = [&](QDialog&) { seen = w.sheet().cell(1, col::N); };
    QTest::keyClick(startEditing(w, 1, col::N, QStringLiteral("28")), Qt::Key_M, Qt::AltModifier);
    QTest::qWait(200);
    QCOMPARE(seen, std::string("28"));
    // 断面图 (F9), the 查看 menu opened by the mouse, the findings list (F8).
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(startEditing(w, 1, col::N, QStringLiteral("29")), Qt::Key_F9);
    QVERIFY(nIs("29"));
    QVERIFY(w.sectionPlotWindow().isVisible());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    startEditing(w, 1, col::N, QStringLiteral("30"));
    auto* view = w.menuBar()->findChild<QMenu*>(QStringLiteral("查看"));
    view->popup(w.mapToGlobal(QPoint(10, 10)));
    QVERIFY(nIs("30"));
    view->close();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(startEditing(w, 1, col::N, QStringLiteral("31")), Qt::Key_F8);
    QVERIFY(nIs("31"));
}

void PendingEditTest::insertingAPointOnTheEmptyRowUnderAVertical() {
    Harness h;
    MainWindow& w = h.make();
    // A two-point vertical whose 0.8 point is the last typed row.
    enterCell(w, 0, col::起点距, "0");
    enterCell(w, 0, col::水深, "0");
    const char* rows[2][5] = {{"5", "2.0", "0.2", "16", "100"}, {"", "", "0.8", "12", "100"}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 5; ++c) {
            enterCell(w, 1 + r, testing::kWorkedExampleColumns[static_cast<std::size_t>(c)],
                      rows[r][c]);
        }
    }
    const int rowCount = w.sheet().rowCount();
    // Ctrl+I on the empty row right under it: the new point row is the vertical's next.
    clickCell(w.grid(), 3, col::N);
    keyToFocus(w.grid(), Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(w.grid().currentIndex().row(), 3);
    QCOMPARE(w.grid().currentIndex().column(), col::相对);
    QVERIFY(status(w).contains(QStringLiteral("已在第 4 行插入测点行")));
    QCOMPARE(w.sheet().rowCount(), rowCount + 1);
    typeIntoCell(&w.grid(), 3, col::相对, QStringLiteral("0.6"));
    typeIntoCell(&w.grid(), 3, col::N, QStringLiteral("14"));
    typeIntoCell(&w.grid(), 3, col::T, QStringLiteral("100"));
    QVERIFY(w.sheetModel().isPointRow(3));
    QVERIFY(w.sheet().row(4) == Sheet::Row{});

    // Under an empty row there is no vertical: nothing is inserted, and the status bar says so.
    clickCell(w.grid(), 6, col::N);
    keyToFocus(w.grid(), Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(w.sheet().rowCount(), rowCount + 1);
    QVERIFY(w.sheet().row(6) == Sheet::Row{});
    QVERIFY(status(w).startsWith(QStringLiteral("第 7 行是空行")));
}

void PendingEditTest::outdatedResultsKeepTheirUncertaintyAndPicture() {
    Harness h;
    MainWindow& w = h.make();
    h.files.push_back(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" /
                      "vertical-25-verticals.dat");
    h.click(ctl::打开);
    h.click(ctl::计算);
    auto* label = w.statusBar()->findChild<QLabel*>(QStringLiteral("不确定度"));
    const QString computed = label->text();
    QVERIFY(computed.startsWith(QStringLiteral("Q = 626 m³/s ± ")));
    w.showSectionPlot();
    const std::string picture = w.sectionPlotWindow().svg();
    w.findChild<QAction*>(QStringLiteral("不确定度菜单"))->trigger();
    auto* summary =
        w.findChild<UncertaintyView*>()->findChild<QLabel*>(QStringLiteral("不确定度摘要"));
    const QString full = summary->text();

    // A depth changed: the input would give another uncertainty, but what is shown is the
    // computation's, greyed and marked as outdated, beside its Q.
    typeIntoCell(&w.grid(), 10, col::水深, QStringLiteral("1.00"));
    const Computation edited = compute(gaugingOf(w));
    QVERIFY(qs(uncertaintySummary(edited.uncertainty, edited.section.dischargeText)) != full);
    QVERIFY(staleShown(h));
    QCOMPARE(label->text(), computed + QStringLiteral("（已过时）"));
    QVERIFY(summary->text().endsWith(full));
    QVERIFY(summary->text().startsWith(QStringLiteral("已过时")));
    QCOMPARE(w.sectionPlotWindow().svg(), picture);
    QCOMPARE(w.sectionPlotWindow().summary(), full);

    // Computed again, the figures are the new input's.
    h.click(ctl::计算);
    QVERIFY(label->text() != computed);
    QVERIFY(!label->text().contains(QStringLiteral("已过时")));
    QVERIFY(w.sectionPlotWindow().svg() != picture);
}

#include "pending_edit_test.moc"

int runPendingEditTests(int argc, char** argv) {
    PendingEditTest test;
    return QTest::qExec(&test, argc, argv);
}
