// The grid's model over the sheet, without any widget.
#include "app/compute_command.hpp"
#include "app/qt/sheet_model.hpp"
#include "app/window_sheet.hpp"
#include "compute/compute.hpp"
#include "support/headless_window.hpp"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace tarnelo;

class SheetModelTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheSheetItselfNotACopy();
    void editsGoIntoTheSheetExceptReadOnlyColumns();
    void readOnlyColumnsFollowTheLayoutIncludingNewRows();
    void appendedRowsAreAnnouncedAsInserted();
    void aCommandIsOneNoticeNotOnePerCell();
    void rowsInsertedAndRemovedInTheMiddleAreAnnouncedWhereTheyAre();
    void typedTextGoesToTheHookWhenThereIsOne();
    void aRowBecomingAPointRowRepaintsWhole();
};

void SheetModelTest::showsTheSheetItselfNotACopy() {
    HeadlessWindow window("/nonexistent");
    SheetModel model(window.sheet());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 20);
    QCOMPARE(model.columnCount(), 17);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    window.sheet().setCell(3, 2, "1.25");
    QCOMPARE(model.data(model.index(3, 2)).toString(), QStringLiteral("1.25"));
    QCOMPARE(model.data(model.index(3, 2), Qt::EditRole).toString(), QStringLiteral("1.25"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), model.index(3, 2));
    window.sheet().setCell(0, 0, "水边");
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("水边"));
    window.sheet().clearColumns(0, 16);
    QVERIFY(model.data(model.index(3, 2)).toString().isEmpty());
    QCOMPARE(model.headerData(11, Qt::Horizontal).toString(), QStringLiteral("岸边/部分"));
}

void SheetModelTest::editsGoIntoTheSheetExceptReadOnlyColumns() {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    SheetModel model(window.sheet());
    QVERIFY(model.setData(model.index(4, 1), QStringLiteral("起点 12")));
    QCOMPARE(window.sheet().cell(4, 1), std::string("起点 12"));
    QVERIFY(!model.setData(model.index(4, 0), QStringLiteral("9")));
    QVERIFY(!model.setData(model.index(4, 9), QStringLiteral("9")));
    QVERIFY(window.sheet().cell(4, 0).empty());
    QVERIFY(!model.setData(model.index(4, 1), QStringLiteral("x"), Qt::DisplayRole + 100));
}

void SheetModelTest::readOnlyColumnsFollowTheLayoutIncludingNewRows() {
    HeadlessWindow window("/nonexistent");
    SheetModel model(window.sheet());
    QSignalSpy layout(&model, &SheetModel::sheetLayoutChanged);
    auto editable = [&](int row, int column) {
        return (model.flags(model.index(row, column)) & Qt::ItemIsEditable) != 0;
    };
    layoutSheet(window);
    QVERIFY(layout.count() > 0);
    window.sheet().appendRow();
    window.sheet().growTo(40);
    for (int row : {0, 19, 20, 39}) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            QCOMPARE(editable(row, c), c == 1 || c == 2 || c == 3 || c == 5 || c == 6);
        }
    }
    window.setSelected(ctl::测速模式, true);
    layoutSheet(window);
    window.sheet().appendRow();
    for (int row : {0, 39, 40}) {
        for (int c = 0; c < Sheet::kColumns; ++c) {
            QCOMPARE(editable(row, c), c == 1 || c == 2 || c == 3 || c == 8);
        }
    }
    // Read-only cells are tinted, typed ones are not.
    QVERIFY(model.data(model.index(0, 5), Qt::BackgroundRole).isValid());
    QVERIFY(!model.data(model.index(0, 8), Qt::BackgroundRole).isValid());
}

void SheetModelTest::appendedRowsAreAnnouncedAsInserted() {
    HeadlessWindow window("/nonexistent");
    SheetModel model(window.sheet());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    window.sheet().setCurrentRow(19);
    onSheetKey(window, 13);
    QCOMPARE(model.rowCount(), 21);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][1].toInt(), 20);
    QCOMPARE(inserted[0][2].toInt(), 20);
    window.sheet().setCurrentRow(3);
    onSheetKey(window, 13);
    QCOMPARE(model.rowCount(), 21);
    window.sheet().growTo(35);
    QCOMPARE(model.rowCount(), 35);
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(reset.count(), 0);
}

void SheetModelTest::aCommandIsOneNoticeNotOnePerCell() {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    SheetModel model(window.sheet());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    // A long section: 10,000 rows of verticals between two water edges.
    constexpr int kRows = 10000;
    model.beginBatch();
    Sheet& sheet = window.sheet();
    sheet.growTo(kRows);
    for (int r = 0; r < kRows; ++r) {
        sheet.setCell(r, 1, std::to_string(r));
        sheet.setCell(r, 2, r == 0 || r == kRows - 1 ? "0" : "1.5");
        if (r != 0 && r != kRows - 1) {
            sheet.setCell(r, 3, "0.6");
            sheet.setCell(r, 5, "20");
            sheet.setCell(r, 6, "100");
        }
    }
    model.endBatch();
    QCOMPARE(model.rowCount(), kRows);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.beginBatch();
    computeCommand(window);
    QCOMPARE(changed.count(), 0);
    model.endBatch();
    QVERIFY(changed.count() <= 2);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(inserted.count(), 0);
    QVERIFY(!window.text(ctl::断面流量).empty());
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("1"));
    QCOMPARE(model.data(model.index(kRows - 1, 0)).toString(), QStringLiteral("水边"));
    // Nested batches report once, at the outermost end.
    model.beginBatch();
    model.beginBatch();
    sheet.setCell(5, 1, "5.5");
    model.endBatch();
    const int before = static_cast<int>(changed.count());
    model.endBatch();
    QCOMPARE(changed.count(), before + 1);
}

void SheetModelTest::rowsInsertedAndRemovedInTheMiddleAreAnnouncedWhereTheyAre() {
    HeadlessWindow window("/nonexistent");
    SheetModel model(window.sheet());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Sheet& sheet = window.sheet();
    for (int r = 0; r < 20; ++r) {
        sheet.setCell(r, 1, std::to_string(r));
    }
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    // A view's place in row 12 moves down with its row.
    QPersistentModelIndex twelve(model.index(12, 1));
    sheet.insertRow(4);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted[0][1].toInt(), 4);
    QCOMPARE(model.rowCount(), 21);
    QCOMPARE(twelve.row(), 13);
    QCOMPARE(model.data(twelve).toString(), QStringLiteral("12"));
    sheet.removeRow(4);
    QCOMPARE(twelve.row(), 12);
    // From 20 rows: removed, then an empty row appended at the end.
    sheet.removeRow(0);
    QCOMPARE(removed.count(), 2);
    QCOMPARE(removed[1][1].toInt(), 0);
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted[1][1].toInt(), 19);
    QCOMPARE(model.rowCount(), 20);
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("1"));

    // In a batch: rows appended first are announced at its end, behind an inserted row.
    model.beginBatch();
    sheet.appendRow();
    sheet.insertRow(2);
    sheet.setCell(2, 1, "new");
    QCOMPARE(model.rowCount(), 21);
    model.endBatch();
    QCOMPARE(model.rowCount(), 22);
    QCOMPARE(model.data(model.index(2, 1)).toString(), QStringLiteral("new"));
    QCOMPARE(reset.count(), 0);
}

void SheetModelTest::typedTextGoesToTheHookWhenThereIsOne() {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    SheetModel model(window.sheet());
    std::vector<std::string> typed;
    model.typed = [&](int row, int column, const std::string& text) {
        typed.push_back(std::to_string(row) + "," + std::to_string(column) + ":" + text);
    };
    QVERIFY(model.setData(model.index(3, 2), QStringLiteral("1.5")));
    QVERIFY(!model.setData(model.index(3, 4), QStringLiteral("9")));
    QCOMPARE(typed, (std::vector<std::string>{"3,2:1.5"}));
    QVERIFY(window.sheet().cell(3, 2).empty());
}

// A point row is tinted across the row: the cell that makes it one, or takes that away,
// repaints the whole row; any other cell only itself.
void SheetModelTest::aRowBecomingAPointRowRepaintsWhole() {
    HeadlessWindow window("/nonexistent");
    layoutSheet(window);
    SheetModel model(window.sheet());
    window.sheet().setCell(2, col::N, "12");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    window.sheet().setCell(2, col::T, "100");
    QCOMPARE(changed.count(), 1);
    window.sheet().setCell(2, col::相对, "0.8");
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed[2][0].toModelIndex(), model.index(2, 0));
    QCOMPARE(changed[2][1].toModelIndex(), model.index(2, Sheet::kColumns - 1));
    QVERIFY(model.isPointRow(2));
    window.sheet().setCell(2, col::起点距, "12.5");
    QCOMPARE(changed.count(), 5);
    QVERIFY(!model.isPointRow(2));
    QCOMPARE(model.data(model.index(2, col::起点距)).toString(), QStringLiteral("12.5"));
}

#include "sheet_model_test.moc"

int runSheetModelTests(int argc, char** argv) {
    SheetModelTest test;
    return QTest::qExec(&test, argc, argv);
}
