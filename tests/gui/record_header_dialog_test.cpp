// The record-header dialog "制表数据...", opened by 更多 and driven through its grid.
#include "gui_support.hpp"

#include "app/qt/record_header_dialog.hpp"
#include "files/record_header.hpp"
#include "report/record_header_grid.hpp"

#include <QTableWidget>

#include <set>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

QTableWidget* tableOf(QDialog& dialog) {
    return dialog.findChild<QTableWidget*>(QStringLiteral("制表数据表格"));
}

void clickReturn(QDialog& dialog) {
    auto* button = dialog.findChild<QPushButton*>(QStringLiteral("制表完成"));
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

QString cellText(QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item != nullptr ? item->text() : QString();
}

// A distinct value for each field, Chinese and ASCII mixed.
QString valueFor(std::size_t field) {
    return field % 3 == 0 ? QStringLiteral("值%1").arg(field + 1)
                          : QStringLiteral("v %1.5").arg(field + 1);
}

} // namespace

class RecordHeaderDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void gridLayoutAndLocks();
    void firstOpeningProposesTimeAndFormula();
    void everyFieldMakesTheRoundTrip();
    void storedValuesWinOverProposals();
    void closeBoxDiscardsEdits();
    void unsavableValueKeepsTheDialogOpen();
    void keyboardMovesFromFieldToFieldAndEnterReturns();
};

void RecordHeaderDialogTest::gridLayoutAndLocks() {
    Harness h;
    h.make();
    bool seen = false;
    h.onDialog = [&](QDialog& dialog) {
        seen = true;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("制表数据..."));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.pos(), QPoint(50, 50));
        QCOMPARE(dialog.size(),
                 QSize(RecordHeaderDialog::kClientWidth, RecordHeaderDialog::kClientHeight));
        QTableWidget* table = tableOf(dialog);
        QVERIFY(table != nullptr);
        QCOMPARE(table->geometry(), QRect(5, 5, 643, 364));
        QCOMPARE(table->rowCount(), 15);
        QCOMPARE(table->columnCount(), 8);
        QCOMPARE(table->verticalHeader()->defaultSectionSize(), 24);
        // Columns and rows share out the room of eight 80-pixel columns and fifteen 24-pixel rows.
        int widths = 0;
        for (int c = 0; c < 8; ++c) {
            widths += table->columnWidth(c);
        }
        QCOMPARE(widths, 8 * 80);
        int heights = 0;
        for (int r = 0; r < 15; ++r) {
            heights += table->rowHeight(r);
        }
        QCOMPARE(heights, 15 * 24);
        auto* button = dialog.findChild<QPushButton*>(QStringLiteral("制表完成"));
        QCOMPARE(button->text(), QStringLiteral("返  回"));
        QCOMPARE(button->geometry(), QRect(528, 378, 80, 24));

        QCOMPARE(cellText(table, 0, 0), QStringLiteral("制表数据"));
        QCOMPARE(cellText(table, 2, 4), QStringLiteral("流速仪检定后使用次数："));
        QCOMPARE(cellText(table, 8, 2), QStringLiteral("水尺读数（始）"));
        QCOMPARE(cellText(table, 10, 0), QStringLiteral("测流水尺、自记台"));
        QCOMPARE(cellText(table, 14, 0), QStringLiteral("说  明："));
        QCOMPARE(cellText(table, 14, 6), QStringLiteral("施测号数："));
        for (int row : {4, 7, 13}) {
            QCOMPARE(table->columnSpan(row, 0), 8);
        }
        QCOMPARE(table->columnSpan(14, 1), 2);
        QCOMPARE(table->columnSpan(14, 4), 2);

        // Every value cell of the header is editable, every other cell is not.
        std::set<std::pair<int, int>> values;
        for (const GridCell& cell : kRecordHeaderCells) {
            values.insert({cell.row, cell.column});
        }
        for (int r = 0; r < 15; ++r) {
            for (int c = 0; c < 8; ++c) {
                const QTableWidgetItem* item = table->item(r, c);
                if (item == nullptr) {
                    continue; // covered by a merge
                }
                const bool editable = (item->flags() & Qt::ItemIsEditable) != 0;
                const bool locked = r == 0 || c == 0 || (c == 2 && r <= 8) || (c == 4 && r <= 8) ||
                                    (c == 6 && r <= 6) || (r == 8 && (c == 1 || c == 3)) ||
                                    (r == 14 && (c == 3 || c == 6)) ||
                                    (r >= 8 && r <= 12 && c >= 5);
                QVERIFY2(editable == !locked,
                         qPrintable(QStringLiteral("cell %1,%2").arg(r).arg(c)));
                QCOMPARE(editable, values.count({r, c}) == 1);
            }
        }
        // Typing into a label changes nothing.
        table->setCurrentCell(1, 0);
        typeKeys(table, QStringLiteral("x"));
        QCOMPARE(cellText(table, 1, 0), QStringLiteral("测站名称："));
        // A header as a hydrologist fills it in, for the picture.
        typeIntoCell(table, 1, 1, QStringLiteral("黄河口站"));
        typeIntoCell(table, 1, 5, QStringLiteral("晴"));
        typeIntoCell(table, 1, 7, QStringLiteral("东北风2级"));
        typeIntoCell(table, 2, 1, QStringLiteral("LS25-1 No.318"));
        typeIntoCell(table, 5, 1, QStringLiteral("基本水尺断面"));
        typeIntoCell(table, 9, 1, QStringLiteral("P1"));
        typeIntoCell(table, 9, 2, QStringLiteral("12.35"));
        typeIntoCell(table, 9, 3, QStringLiteral("12.37"));
        typeIntoCell(table, 9, 4, QStringLiteral("10.000"));
        typeIntoCell(table, 14, 1, QStringLiteral("水流平稳"));
        typeIntoCell(table, 14, 4, QStringLiteral("张工"));
        typeIntoCell(table, 14, 7, QStringLiteral("23"));
        table->setCurrentCell(14, 7);
        saveScreenshot(dialog, "record-header-dialog.png");
    };
    h.click(ctl::更多);
    QVERIFY(seen);
}

void RecordHeaderDialogTest::firstOpeningProposesTimeAndFormula() {
    Harness h;
    MainWindow& w = h.make();
    typeIntoBox(h.find<QLineEdit>(ctl::计算公式编辑框02), QStringLiteral("0.0041"));
    QString time;
    QString formula;
    int filled = 0;
    // The proposal stops at the minute.
    const auto minuteNow = [] {
        LocalDateTime now = currentLocalDateTime();
        now.second = 0;
        return measurementTimeText(now);
    };
    const std::string before = minuteNow();
    h.onDialog = [&](QDialog& dialog) {
        QTableWidget* table = tableOf(dialog);
        time = cellText(table, 1, 3);
        formula = cellText(table, 2, 3);
        for (const GridCell& cell : kRecordHeaderCells) {
            filled += cellText(table, cell.row, cell.column).isEmpty() ? 0 : 1;
        }
    };
    h.click(ctl::更多);
    const std::string after = minuteNow();
    QVERIFY2(time == qs(before) || time == qs(after), qPrintable(time));
    QCOMPARE(formula, QStringLiteral("V= 0.6793 N/T+ 0.0041"));
    QCOMPARE(filled, 2);
    // Closing without "返  回" leaves the blank header.
    QCOMPARE(w.recordHeader(), std::string(kDefaultRecordHeader));
}

void RecordHeaderDialogTest::everyFieldMakesTheRoundTrip() {
    Harness h;
    MainWindow& w = h.make();
    h.onDialog = [](QDialog& dialog) {
        QTableWidget* table = tableOf(dialog);
        for (std::size_t i = 0; i < kRecordHeaderCells.size(); ++i) {
            const GridCell cell = kRecordHeaderCells[i];
            // Replace what is there (the proposals) by typing a fresh value.
            if (!cellText(table, cell.row, cell.column).isEmpty()) {
                typeIntoCell(table, cell.row, cell.column, QString());
            }
            typeIntoCell(table, cell.row, cell.column, valueFor(i));
        }
        clickReturn(dialog);
        QVERIFY(!dialog.isVisible());
    };
    h.click(ctl::更多);
    // The window keeps the header; no file is written.
    QVERIFY(!std::filesystem::exists(h.folder / "Data" / "snap.dat"));
    const RecordHeader stored = parseRecordHeader(w.recordHeader());
    std::size_t field = 0;
    for (int line = 1; line <= 4; ++line) {
        for (std::size_t pos = 1;
             pos <= kRecordHeaderLineFields[static_cast<std::size_t>(line - 1)]; ++pos, ++field) {
            QCOMPARE(qs(headerField(stored, line, static_cast<int>(pos))), valueFor(field));
        }
    }
    // The merged "说  明：" cell is field 4.1.
    QCOMPARE(qs(headerField(stored, 4, 1)), valueFor(36));
    // 返回 is one edit of the measurement's header: field by field, and not saved yet.
    const auto values = w.document().header().fields().values();
    for (std::size_t i = 0; i < values.size(); ++i) {
        QCOMPARE(qs(values[i]), valueFor(i));
    }
    QVERIFY(!w.document().saved());

    // The next opening shows every stored value in its cell.
    int checked = 0;
    h.onDialog = [&checked](QDialog& dialog) {
        QTableWidget* table = tableOf(dialog);
        for (std::size_t i = 0; i < kRecordHeaderCells.size(); ++i) {
            const GridCell cell = kRecordHeaderCells[i];
            QCOMPARE(cellText(table, cell.row, cell.column), valueFor(i));
            ++checked;
        }
    };
    h.click(ctl::更多);
    QCOMPARE(checked, 39);
}

void RecordHeaderDialogTest::storedValuesWinOverProposals() {
    Harness h;
    MainWindow& w = h.make();
    // Save once with the proposals as they are.
    h.onDialog = [](QDialog& dialog) { clickReturn(dialog); };
    h.click(ctl::更多);
    QCOMPARE(qs(headerField(parseRecordHeader(w.recordHeader()), 1, 6)),
             QStringLiteral("V= 0.6793 N/T+ 0.0033"));

    // A new coefficient does not change the stored formula; a stored time stays too.
    typeIntoBox(h.find<QLineEdit>(ctl::计算公式编辑框01), QStringLiteral("0.7"));
    w.setRecordHeader("*,2020\xC4\xEA"
                      "1\xD4\xC2"
                      "2\xC8\xD5,*,*,*,V= 0.6793 N/T+ 0.0033,*,*,*,*,*,*\r\n"
                      "*,*,*,*,*,*,*,*\r\n*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*\r\n*,*,*");
    QString time;
    QString formula;
    h.onDialog = [&](QDialog& dialog) {
        QTableWidget* table = tableOf(dialog);
        time = cellText(table, 1, 3);
        formula = cellText(table, 2, 3);
        // Emptying the formula cell stores "*": the next opening proposes again.
        typeIntoCell(table, 2, 3, QString());
        clickReturn(dialog);
    };
    h.click(ctl::更多);
    QCOMPARE(time, QStringLiteral("2020年1月2日"));
    QCOMPARE(formula, QStringLiteral("V= 0.6793 N/T+ 0.0033"));
    QCOMPARE(headerField(parseRecordHeader(w.recordHeader()), 1, 6), std::string("*"));
    h.onDialog = [&](QDialog& dialog) { formula = cellText(tableOf(dialog), 2, 3); };
    h.click(ctl::更多);
    QCOMPARE(formula, QStringLiteral("V= 0.7 N/T+ 0.0033"));
}

void RecordHeaderDialogTest::closeBoxDiscardsEdits() {
    Harness h;
    MainWindow& w = h.make();
    h.onDialog = [](QDialog& dialog) {
        typeIntoCell(tableOf(dialog), 1, 1, QStringLiteral("长江站"));
        QVERIFY(dialog.close());
    };
    h.click(ctl::更多);
    QCOMPARE(w.recordHeader(), std::string(kDefaultRecordHeader));
    QVERIFY(w.document().header() == MeasurementHeader());
    QVERIFY(w.document().saved());
}

void RecordHeaderDialogTest::unsavableValueKeepsTheDialogOpen() {
    Harness h;
    MainWindow& w = h.make();
    bool stillOpen = false;
    h.onDialog = [&](QDialog& dialog) {
        typeIntoCell(tableOf(dialog), 5, 1, QStringLiteral("上游,下游"));
        clickReturn(dialog);
        stillOpen = dialog.isVisible();
        // The edit is still there to be mended.
        QCOMPARE(cellText(tableOf(dialog), 5, 1), QStringLiteral("上游,下游"));
    };
    h.click(ctl::更多);
    QVERIFY(stillOpen);
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].title, std::string("Tarnelo"));
    QVERIFY(h.messages[0].text.find("断面位置") != std::string::npos);
    QCOMPARE(w.recordHeader(), std::string(kDefaultRecordHeader));
}

void RecordHeaderDialogTest::keyboardMovesFromFieldToFieldAndEnterReturns() {
    Harness h;
    MainWindow& w = h.make();
    std::vector<GridCell> visited;
    bool closed = false;
    h.onDialog = [&](QDialog& dialog) {
        QTableWidget* table = tableOf(dialog);
        QVERIFY(table->hasFocus() || table == QApplication::focusWidget() ||
                dialog.focusWidget() == table);
        for (int i = 0; i < 5; ++i) {
            visited.push_back({table->currentRow(), table->currentColumn()});
            QTest::keyClick(table, Qt::Key_Tab);
        }
        // Shift+Tab goes back one field.
        QTest::keyClick(table, Qt::Key_Backtab);
        QCOMPARE((GridCell{table->currentRow(), table->currentColumn()}), visited[4]);
        // Typing opens the field; Enter keeps the text and the dialog; Enter again is 返回.
        typeKeys(table, QStringLiteral("长江站"));
        QWidget* editor = table->indexWidget(table->currentIndex());
        QVERIFY(editor != nullptr);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(dialog.isVisible());
        QTest::keyClick(table, Qt::Key_Return);
        closed = !dialog.isVisible();
    };
    h.click(ctl::更多);
    QVERIFY2(closed, h.messages.empty() ? "" : h.messages[0].text.c_str());
    for (const GridCell& cell : visited) {
        const bool field = std::find(kRecordHeaderCells.begin(), kRecordHeaderCells.end(), cell) !=
                           kRecordHeaderCells.end();
        QVERIFY2(field, qPrintable(QStringLiteral("%1,%2").arg(cell.row).arg(cell.column)));
    }
    // Reading order: row by row.
    for (std::size_t i = 1; i < visited.size(); ++i) {
        QVERIFY(visited[i - 1].row < visited[i].row || (visited[i - 1].row == visited[i].row &&
                                                        visited[i - 1].column < visited[i].column));
    }
    // 返回 gave the typed text to the window's header.
    const auto values = w.measurementHeader().fields().values();
    QVERIFY(std::any_of(values.begin(), values.end(),
                        [](const std::string& value) { return value.starts_with("长"); }));
}

#include "record_header_dialog_test.moc"

int runRecordHeaderDialogTests(int argc, char** argv) {
    RecordHeaderDialogTest test;
    return QTest::qExec(&test, argc, argv);
}
