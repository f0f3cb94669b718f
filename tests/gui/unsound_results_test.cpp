// Figures from bad or incomplete input never look final, by flow: a letter for a digit, a
// computation that did not run, the record header as input, a field book's block pasted, rows
// inserted after 计算. Real window, offscreen, keyboard and mouse events.
#include "gui_support.hpp"

#include "app/compute_state.hpp"
#include "app/qt/findings_view.hpp"
#include "app/qt/record_header_dialog.hpp"
#include "app/qt/sheet_editing.hpp"
#include "support/worked_example.hpp"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

#include <deque>
#include <fstream>
#include <iterator>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

// The worked example typed cell by cell, with one cell replaced.
void typeExample(Harness& h, int row = -1, int column = -1, const QString& instead = {}) {
    typeIntoBox(h.find<QLineEdit>(ctl::水面系数编辑框), QStringLiteral("0.85"));
    for (int r = 0; r < 5; ++r) {
        for (std::size_t k = 0; k < testing::kWorkedExampleColumns.size(); ++k) {
            const int c = testing::kWorkedExampleColumns[k];
            const QString text = r == row && c == column
                                     ? instead
                                     : QString::fromUtf8(testing::kWorkedExampleRows[r][k]);
            if (!text.isEmpty()) {
                typeIntoCell(&h.window->grid(), r, c, text);
            }
        }
    }
}

QString status(Harness& h) {
    return h.window->statusBar()->currentMessage();
}

QVariant cellData(Harness& h, int row, int column, int role) {
    SheetModel& model = h.window->sheetModel();
    return model.data(model.index(row, column), role);
}

void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
    QCoreApplication::processEvents();
}

} // namespace

class UnsoundResultsTest : public QObject {
    Q_OBJECT

  private slots:
    void aLetterForADigitLeavesTheResultsMarkedUnusable();
    void aComputationThatDidNotRunLeavesNoFormAndKeepsTheUndoHistory();
    void aHeaderEditMakesClosingAsk();
    void aFieldBookBlockLandsInTheTypedColumns();
    void anInsertAfterComputingClearsTheTints();
};

void UnsoundResultsTest::aLetterForADigitLeavesTheResultsMarkedUnusable() {
    Harness h;
    MainWindow& w = h.make();
    typeExample(h, 1, col::水深, QStringLiteral("l.2"));
    h.click(ctl::计算);

    // Figures are there, but nothing says they are final.
    QVERIFY(!w.text(ctl::断面流量).empty());
    QCOMPARE(w.text(ctl::致谢框), std::string("有 1 处错误，结果不可用"));
    auto* discharge = h.find<QLineEdit>(ctl::断面流量);
    auto* completion = h.find<QLineEdit>(ctl::致谢框);
    QVERIFY(discharge->property("unusable").toBool());
    QVERIFY(discharge->toolTip().contains(QStringLiteral("不可用")));
    QVERIFY(discharge->toolTip().contains(QStringLiteral("第 2 行“水深”")));
    QVERIFY(completion->styleSheet().contains(QStringLiteral("background")));
    // The whole sentence fits its box.
    QVERIFY(QFontMetrics(completion->font()).horizontalAdvance(completion->text()) <=
            completion->width() - 8);
    QVERIFY(status(h).startsWith(QStringLiteral("结果不可用：")));
    // The computed cells of the row with the error are tinted with the reason; the other
    // rows' are not.
    QVERIFY(cellData(h, 1, col::部分流量, Qt::BackgroundRole).isValid());
    QVERIFY(cellData(h, 1, col::部分流量, Qt::ToolTipRole)
                .toString()
                .contains(QStringLiteral("计算值不可用")));
    QVERIFY(cellData(h, 1, col::测点深, Qt::ToolTipRole)
                .toString()
                .contains(QStringLiteral("第 2 行“水深”")));
    QCOMPARE(cellData(h, 2, col::测点深, Qt::ToolTipRole), QVariant());
    // Export and print stay, and ask (the record form's gate).
    QVERIFY(w.isEnabled(ctl::导出Excel));
    // Units sit beside the figures and are no part of their texts.
    QCOMPARE(h.find<QLabel>("断面流量单位")->text(), QStringLiteral("m³/s"));
    QCOMPARE(h.find<QLabel>("断面面积单位")->text(), QStringLiteral("m²"));
    QVERIFY(!completion->findChild<QLabel*>());
    saveScreenshot(w, "main-window-unusable.png");

    // The first edit takes the counts off the status bar, and the computed columns grey
    // like the results.
    typeIntoCell(&w.grid(), 1, col::水深, QStringLiteral("1.2"));
    QVERIFY(!status(h).contains(QStringLiteral("处错误")));
    QVERIFY(cellData(h, 2, col::部分流量, Qt::ForegroundRole).isValid());
    QCOMPARE(cellData(h, 2, col::N, Qt::ForegroundRole), QVariant());
    QVERIFY(discharge->property("stale").toBool());

    // Mended, the result is final again.
    h.click(ctl::计算);
    QCOMPARE(w.text(ctl::断面流量), std::string("37.4"));
    QCOMPARE(w.text(ctl::致谢框), std::string("感谢使用!"));
    QVERIFY(!discharge->property("unusable").toBool());
    QCOMPARE(discharge->toolTip(), QStringLiteral("由“计算”得出"));
    QCOMPARE(cellData(h, 1, col::测点深, Qt::BackgroundRole),
             cellData(h, 2, col::测点深, Qt::BackgroundRole));
    QCOMPARE(cellData(h, 2, col::部分流量, Qt::ForegroundRole), QVariant());
}

void UnsoundResultsTest::aComputationThatDidNotRunLeavesNoFormAndKeepsTheUndoHistory() {
    Harness h;
    MainWindow& w = h.make();
    typeExample(h);
    h.click(ctl::计算);
    QVERIFY(w.isEnabled(ctl::导出Excel));
    QCOMPARE(w.text(ctl::致谢框), std::string("感谢使用!"));

    // A typed step, then a run short of a coefficient.
    typeIntoCell(&w.grid(), 5, col::起点距, QStringLiteral("25"));
    typeIntoBox(h.find<QLineEdit>(ctl::水面系数编辑框), QString());
    h.click(ctl::计算);
    QVERIFY(status(h).startsWith(QStringLiteral("数据不全，未计算")));
    QVERIFY(!w.isEnabled(ctl::导出Excel));
    QVERIFY(!w.isEnabled(ctl::打印));
    QVERIFY(w.text(ctl::断面流量).empty());
    QVERIFY(w.text(ctl::致谢框).empty());
    QVERIFY(w.document().canUndo());
    // The first edit takes the run's counts and words off the status bar.
    typeIntoCell(&w.grid(), 5, col::水深, QStringLiteral("0"));
    QVERIFY(status(h).isEmpty());

    // Back over the edit, the run that emptied the results, the emptied coefficient and the
    // typed distance.
    press(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    press(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(status(h), QStringLiteral("已撤销：计算"));
    QCOMPARE(w.text(ctl::致谢框), std::string("感谢使用!"));
    // The results are those of the earlier run, outdated by the emptied coefficient.
    QVERIFY(!w.isEnabled(ctl::导出Excel));
    QVERIFY(!w.document().current());
    press(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(status(h), QStringLiteral("已撤销：修改系数"));
    QVERIFY(!w.text(ctl::水面系数编辑框).empty());
    QVERIFY(!w.document().gauging().coefficients[coef::水面系数].empty());
    press(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(w.sheet().cell(5, col::起点距).empty());
    QVERIFY(w.document().gauging().rows[5].distance.empty());
    // Current again: the form may be made.
    QVERIFY(w.isEnabled(ctl::导出Excel));
}

void UnsoundResultsTest::aHeaderEditMakesClosingAsk() {
    Harness h;
    MainWindow& w = h.make();
    QString proposed;
    h.onDialog = [&](QDialog& dialog) {
        auto& header = static_cast<RecordHeaderDialog&>(dialog);
        proposed = header.table()->item(1, 3)->text();
        header.table()->item(1, 1)->setText(QStringLiteral("黄河口站"));
        // The time is left for later.
        header.table()->item(1, 3)->setText(QString());
        QTest::mouseClick(header.returnButton(), Qt::LeftButton);
    };
    h.click(ctl::更多);
    // The proposed time stops at the minute.
    QVERIFY(proposed.contains(QStringLiteral("日")));
    QVERIFY(!proposed.contains(QStringLiteral("秒")));

    // Nothing was typed in the sheet, yet closing asks: 保存, 不保存 or 取消.
    std::vector<std::string> asked;
    std::deque<MainWindow::CloseChoice> choices{MainWindow::CloseChoice::Cancel,
                                                MainWindow::CloseChoice::Cancel,
                                                MainWindow::CloseChoice::Save};
    MainWindow::Answerer answerer;
    answerer.message = [&h](const std::string& text, const std::string& title, MessageIcon icon) {
        h.messages.push_back({text, title, icon});
    };
    answerer.question = [&h](const std::string& text, const std::string& title) {
        h.questions.push_back({text, title, MessageIcon::None});
        return false;
    };
    answerer.file = [&h](const FileDialogSpec&, const std::filesystem::path&) {
        return std::optional<std::filesystem::path>(h.folder / "Text data" / "header.dat");
    };
    answerer.modal = [&h](QDialog& dialog) {
        if (h.onDialog) {
            h.onDialog(dialog);
        }
    };
    answerer.closing = [&](const std::string& text) {
        asked.push_back(text);
        const MainWindow::CloseChoice choice = choices.front();
        choices.pop_front();
        return choice;
    };
    w.setAnswerer(answerer);
    // 清空 asks the same question (取消 keeps everything).
    h.click(ctl::清空);
    QCOMPARE(asked.size(), std::size_t(1));
    QVERIFY(asked[0].find("清空前是否保存") != std::string::npos);
    QVERIFY(!w.close());
    QCOMPARE(asked.size(), std::size_t(2));
    QVERIFY(w.isVisible());

    // 保存 saves, then closes; the file holds the header.
    QVERIFY(w.close());
    QCOMPARE(asked.size(), std::size_t(3));
    QVERIFY(std::filesystem::exists(h.folder / "Text data" / "header.dat"));
    QVERIFY(status(h).startsWith(QStringLiteral("已保存：")));
    std::ifstream saved(h.folder / "Text data" / "header.dat", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(saved)), {});
    QVERIFY(bytes.find("\xBB\xC6\xBA\xD3\xBF\xDA\xD5\xBE") != std::string::npos); // 黄河口站

    // 打开 shows the opened file from its first row.
    w.show();
    w.grid().setCurrentIndex(w.sheetModel().index(15, col::N));
    w.grid().scrollToBottom();
    answerer.closing = {};
    w.setAnswerer(answerer);
    h.click(ctl::打开);
    QCOMPARE(w.grid().currentIndex().row(), 0);
    QCOMPARE(w.grid().currentIndex().column(), col::起点距);
    QCOMPARE(w.grid().verticalScrollBar()->value(), 0);

    // The opened header keeps its empty time: nothing is proposed over it.
    h.onDialog = [&](QDialog& dialog) {
        auto& header = static_cast<RecordHeaderDialog&>(dialog);
        proposed = header.table()->item(1, 3)->text();
        QCOMPARE(header.table()->item(1, 1)->text(), QStringLiteral("黄河口站"));
    };
    h.click(ctl::更多);
    QVERIFY(proposed.isEmpty());
}

void UnsoundResultsTest::aFieldBookBlockLandsInTheTypedColumns() {
    Harness h;
    MainWindow& w = h.make();
    SheetView& grid = w.grid();
    // 起点距, 水深, 相对, N, T as a field-book spreadsheet has them.
    QApplication::clipboard()->setText(QStringLiteral("0\t0\t\t\t\r\n"
                                                      "5\t1.2\t0.6\t10\t100\r\n"
                                                      "10\t1.8\t0.6\t15\t110\r\n"));
    grid.setCurrentIndex(grid.model()->index(0, col::起点距));
    press(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(1, col::相对), std::string("0.6"));
    QCOMPARE(w.sheet().cell(1, col::N), std::string("10"));
    QCOMPARE(w.sheet().cell(1, col::T), std::string("100"));
    QCOMPARE(w.sheet().cell(2, col::T), std::string("110"));
    QVERIFY(w.sheet().cell(1, col::测点深).empty());
    QVERIFY(status(h).startsWith(QStringLiteral("按输入列粘贴")));

    // A block copied here goes back to its own columns, wherever it is pasted.
    grid.setCurrentIndex(grid.model()->index(1, col::相对));
    grid.selectionModel()->select(
        QItemSelection(grid.model()->index(1, col::相对), grid.model()->index(2, col::T)),
        QItemSelectionModel::ClearAndSelect);
    press(&grid, Qt::Key_C, Qt::ControlModifier);
    grid.setCurrentIndex(grid.model()->index(4, col::起点距));
    press(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(4, col::相对), std::string("0.6"));
    QCOMPARE(w.sheet().cell(5, col::T), std::string("110"));
    QVERIFY(w.sheet().cell(4, col::起点距).empty());
    QVERIFY(status(h).startsWith(QStringLiteral("按复制时的列粘贴")));

    // In an open editor, a block closes the editor and lands as a block; one value goes into
    // the editor.
    QApplication::clipboard()->setText(QStringLiteral("20\t0\r\n25\t0.5\r\n"));
    grid.setCurrentIndex(grid.model()->index(6, col::起点距));
    grid.setFocus();
    press(&grid, Qt::Key_F2);
    QWidget* editor = grid.indexWidget(grid.currentIndex());
    QVERIFY(editor != nullptr);
    press(editor, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(grid.indexWidget(grid.currentIndex()) == nullptr);
    QCOMPARE(w.sheet().cell(6, col::起点距), std::string("20"));
    QCOMPARE(w.sheet().cell(7, col::水深), std::string("0.5"));

    QApplication::clipboard()->setText(QStringLiteral("3"));
    grid.setCurrentIndex(grid.model()->index(7, col::起点距));
    press(&grid, Qt::Key_F2);
    auto* line = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    QVERIFY(line != nullptr);
    line->end(false);
    press(line, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(line->text(), QStringLiteral("253"));
    press(line, Qt::Key_Return);
    QCOMPARE(w.sheet().cell(7, col::起点距), std::string("253"));
}

void UnsoundResultsTest::anInsertAfterComputingClearsTheTints() {
    Harness h;
    MainWindow& w = h.make();
    typeExample(h, 1, col::水深, QStringLiteral("l.2"));
    h.click(ctl::计算);
    QCOMPARE(cellData(h, 1, col::水深, kFindingRole).toString(), QStringLiteral("错误"));

    // Enter on the last row adds a row at the end: nothing moves.
    const int rows = w.sheetModel().rowCount();
    typeIntoCell(&w.grid(), rows - 1, col::起点距, QStringLiteral("99"));
    QCOMPARE(cellData(h, 1, col::水深, kFindingRole).toString(), QStringLiteral("错误"));

    // A row inserted above the error: the marks would point at the wrong vertical.
    w.grid().setCurrentIndex(w.sheetModel().index(1, col::起点距));
    w.grid().setFocus();
    press(&w.grid(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(w.sheet().cell(2, col::水深), std::string("l.2"));
    QCOMPARE(cellData(h, 1, col::水深, kFindingRole), QVariant());
    QCOMPARE(cellData(h, 2, col::水深, kFindingRole), QVariant());
    QCOMPARE(cellData(h, 2, col::部分流量, Qt::ToolTipRole)
                 .toString()
                 .contains(QStringLiteral("不可用")),
             false);
    QCOMPARE(status(h), QStringLiteral("行已变动，请重新计算。"));
    QVERIFY(!h.find<QPushButton>("问题按钮")->isVisible());
    // The results are outdated, and still unusable.
    QVERIFY(h.find<QLineEdit>(ctl::断面流量)->property("stale").toBool());
    QVERIFY(!w.isEnabled(ctl::导出Excel));
}

int runUnsoundResultsTests(int argc, char** argv) {
    UnsoundResultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "unsound_results_test.moc"
