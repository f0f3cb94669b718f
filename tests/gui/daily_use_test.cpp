// A gauging typed and corrected the way a station's staff work: computing and switching the mode
// are undone like any edit, questions before input is dropped offer 保存/不保存/取消, and
// figures that no longer fit the sheet say so.
#include "gui_support.hpp"

#include "app/qt/sheet_editing.hpp"

#include <QStatusBar>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

std::filesystem::path example(const char* name) {
    return std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / name;
}

// Every cell of the sheet, to compare before and after.
std::vector<Sheet::Row> cells(const MainWindow& w) {
    return sheetCells(w.sheet());
}

} // namespace

class DailyUseTest : public QObject {
    Q_OBJECT

  private slots:
    void computeAndModeSwitchAreUndoSteps();
};

void DailyUseTest::computeAndModeSwitchAreUndoSteps() {
    Harness h;
    MainWindow& w = h.make();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    h.files.push_back(example("vertical-25-verticals.dat"));
    h.click(ctl::打开);
    QVERIFY(w.isSelected(ctl::垂线模式));
    const auto opened = cells(w);

    // Computed, then undone: the computed columns and the results are empty again.
    h.click(ctl::计算);
    const std::string discharge = w.text(ctl::断面流量);
    QVERIFY(!discharge.empty());
    const auto computed = cells(w);
    QVERIFY(computed != opened);
    w.grid().setFocus();
    QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cells(w), opened);
    QVERIFY(w.text(ctl::断面流量).empty());
    QVERIFY(!w.computedState().computed());
    QVERIFY(!w.isEnabled(ctl::导出Excel));
    QCOMPARE(w.text(ctl::状态条1), std::string("已撤销：计算"));
    // Redone without running again: the same figures, current and exportable.
    QTest::keyClick(&w.grid(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(cells(w), computed);
    QCOMPARE(w.text(ctl::断面流量), discharge);
    QVERIFY(w.computedState().computed());
    QVERIFY(!w.computedState().stale(w));
    QVERIFY(w.isEnabled(ctl::导出Excel));

    // Switching to 测速模式 and computing erases N and T after a question; both steps undo,
    // with the focus on a button, where the sheet's keys did nothing before.
    h.click(ctl::测速模式);
    QVERIFY(w.sheet().isReadOnly(col::N));
    h.answers.push_back(true);
    h.click(ctl::计算);
    QVERIFY(!h.questions.empty());
    QVERIFY(w.sheet().cell(0, col::N).empty() || w.sheet().cell(1, col::N).empty());
    auto* button = h.find<QPushButton>(ctl::计算);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.text(ctl::状态条1), std::string("已撤销：计算"));
    QVERIFY(w.isSelected(ctl::测速模式));
    QCOMPARE(w.text(ctl::断面流量), discharge);
    // The figures of 垂线模式 stand, outdated under the other mode.
    QVERIFY(w.computedState().stale(w));
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.text(ctl::状态条1), std::string("已撤销：切换模式"));
    QVERIFY(w.isSelected(ctl::垂线模式));
    QVERIFY(!w.sheet().isReadOnly(col::N));
    QCOMPARE(cells(w), computed);
    QVERIFY(!w.computedState().stale(w));
    QVERIFY(w.isEnabled(ctl::打印));
    // Back to the opened file, then nothing more to take back.
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cells(w), opened);
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.text(ctl::状态条1), std::string("没有可以撤销的操作。"));
    // A coefficient field keeps Ctrl+Z for its own text.
    auto* coefficient = h.find<QLineEdit>(kCoefficientFields[0].control);
    const QString was = coefficient->text();
    typeIntoBox(coefficient, QStringLiteral("0.7"));
    QTest::keyClick(coefficient, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(coefficient->text() != QStringLiteral("0.7"));
    QCOMPARE(cells(w), opened);
    static_cast<void>(was);
}

int runDailyUseTests(int argc, char** argv) {
    DailyUseTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "daily_use_test.moc"
