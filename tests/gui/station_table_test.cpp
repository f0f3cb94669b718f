// The view 查看 → 实测流量成果表: a folder read into the sortable table, a double-click opening
// a gauging (asking first about unsaved input), the export and the relation window.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "app/qt/station_table_dialog.hpp"
#include "compute/numtext.hpp"
#include "files/file_io.hpp"
#include "support/station_files.hpp"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace tarnelo;
using namespace tarnelo::guitest;

class StationTableTest : public QObject {
    Q_OBJECT

  private slots:
    void readsAFolderSortsAndOpensAGauging();
    void exportsTheTableAndShowsTheRelation();
};

namespace {

std::filesystem::path writeYear(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const double scales[] = {0.8, 1.6, 1.1, 0.9, 1.4, 1.2};
    for (int i = 0; i < 6; ++i) {
        testing::MadeGauging made;
        made.time = "2024-0" + std::to_string(i + 3) + "-1" + std::to_string(i) + " 08:30~09:10";
        made.number = std::to_string(i + 1);
        made.scale = scales[i];
        made.stage = num::fixedText(44.0 + scales[i], 2);
        testing::writeGauging(folder / ("g" + std::to_string(i + 1) + ".dat"), made);
    }
    writeFileAtomic(folder / "other.dat", "not a gauging");
    return folder;
}

} // namespace

void StationTableTest::readsAFolderSortsAndOpensAGauging() {
    Harness h;
    MainWindow& w = h.make();
    const auto folder = writeYear(h.folder / "Text data" / "青石桥");
    auto* entry = w.menuBar()
                      ->findChild<QMenu*>(QStringLiteral("查看"))
                      ->findChild<QAction*>(QStringLiteral("实测流量成果表"));
    QVERIFY(entry != nullptr);
    entry->trigger();
    StationTableDialog& view = w.showStationTable();
    QVERIFY(view.isVisible());
    QVERIFY(!view.findChild<QPushButton*>(QStringLiteral("导出成果表"))->isEnabled());
    QVERIFY(view.loadFolder(folder));
    QTableWidget& grid = view.grid();
    QCOMPARE(grid.rowCount(), 6);
    QCOMPARE(tableTitle(view.table()), std::string("青石桥 2024 年实测流量成果表"));
    QVERIFY(view.findChild<QPlainTextEdit*>(QStringLiteral("问题"))
                ->toPlainText()
                .contains(QStringLiteral("other.dat")));

    // Sorted by 流量, largest first, as numbers rather than texts.
    grid.sortItems(8, Qt::DescendingOrder);
    double previous = 1e300;
    for (int r = 0; r < grid.rowCount(); ++r) {
        const double q = grid.item(r, 8)->text().toDouble();
        QVERIFY(q <= previous);
        previous = q;
    }
    QCOMPARE(grid.item(0, 0)->text(), QStringLiteral("2"));

    // Unsaved input in the window: the double-click asks first; "no" keeps the input.
    typeIntoCell(&w.grid(), 0, 1, QStringLiteral("7"));
    h.answers.push_back(false);
    const QRect cell = grid.visualItemRect(grid.item(0, 0));
    const auto doubleClick = [&] {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    };
    doubleClick();
    QCOMPARE(h.questions.size(), std::size_t(1));
    QCOMPARE(w.sheet().cell(0, 1), std::string("7"));
    // "Yes" opens the gauging of the row.
    h.answers.push_back(true);
    doubleClick();
    QCOMPARE(h.questions.size(), std::size_t(2));
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("g2.dat"));
    QCOMPARE(w.sheet().cell(0, 1), std::string("0"));
}

void StationTableTest::exportsTheTableAndShowsTheRelation() {
    Harness h;
    MainWindow& w = h.make();
    StationTableDialog& view = w.showStationTable();
    // The demonstration year when it is there (its picture goes into docs/), else a small one.
    const auto demo = std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / "station-year";
    QVERIFY(view.loadFolder(std::filesystem::exists(demo) ? demo : writeYear(h.folder / "year")));
    QVERIFY(view.grid().rowCount() >= 6);
    saveScreenshot(view, "station-table.png");

    const auto table = h.folder / "excel" / paths::fromUtf8("成果表.xlsx");
    h.files.push_back(table);
    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("导出成果表")), Qt::LeftButton);
    QVERIFY(readFileBytes(table).value_or("").starts_with("PK"));
    QCOMPARE(h.dialogs.back().first, std::string("成果表对话框"));

    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("水位流量关系")), Qt::LeftButton);
    QWidget* relation = view.relationWindow();
    QVERIFY(relation != nullptr && relation->isVisible());
    const QString details = relation->findChild<QPlainTextEdit*>()->toPlainText();
    QVERIFY(details.contains(QStringLiteral("符号检验")));
    QVERIFY(details.contains(QStringLiteral("适线检验")));
    QVERIFY(details.contains(QStringLiteral("偏离数值检验")));
    saveScreenshot(*relation, "rating-window.png");
    QVERIFY(h.messages.empty());
}

int runStationTableTests(int argc, char** argv) {
    StationTableTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "station_table_test.moc"
