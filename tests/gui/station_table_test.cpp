// The view 查看 → 实测流量成果表: a folder read into the sortable table, a double-click opening
// a gauging (asking first about unsaved input), the export and the relation window; the
// station's class and the gaugings left out of the relation, kept in the settings.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "app/qt/qt_text.hpp"
#include "app/qt/station_table_dialog.hpp"
#include "files/file_io.hpp"
#include "measure/numtext.hpp"
#include "report/rating_plot.hpp"
#include "support/station_files.hpp"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>

using namespace tarnelo;
using namespace tarnelo::guitest;

class StationTableTest : public QObject {
    Q_OBJECT

  private slots:
    // Every test starts from the default class, no kept exclusions and no kept folders,
    // whatever an earlier (perhaps failed) run left in the tests' own settings (see
    // gui_tests_main.cpp).
    void init() {
        QSettings().remove(QStringLiteral("rating"));
        QSettings().remove(QStringLiteral("station"));
    }
    void cleanup() { init(); }
    void readsAFolderSortsAndOpensAGauging();
    void exportsTheTableAndShowsTheRelation();
    void leavesGaugingsOutOfTheRelationAndKeepsThem();
    void keepsAnOutlierAfterReview();
    void keepsItsFoldersAndProposesNamesOfTheStationAndYear();
    void theRelationWindowFitsTheScreen();
    void theReasonBoxBelongsToTheTableAndEscapeClosesTheRelation();
    void theYearReadLastComesBackAfterANewStart();
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

// Twenty gaugings on one curve but the seventh, whose 相应水位 reads 0.5 m high: an outlier.
std::filesystem::path writeYearWithOutlier(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 20; ++i) {
        testing::MadeGauging made;
        const int month = 1 + i / 2;
        made.time = "2024-" + std::string(month < 10 ? "0" : "") + std::to_string(month) + "-" +
                    (i % 2 == 0 ? "10" : "20") + " 08:30~09:10";
        made.number = std::to_string(i + 1);
        made.scale = 0.7 + 0.06 * i;
        made.stage = num::fixedText(44.0 + made.scale + (i == 6 ? 0.5 : 0.0), 2);
        testing::writeGauging(folder / ("g" + std::to_string(i + 1) + ".dat"), made);
    }
    return folder;
}

// The row whose 施测号数 reads `number`, wherever sorting put it.
QTableWidgetItem* numberCell(QTableWidget& grid, const QString& number) {
    for (int r = 0; r < grid.rowCount(); ++r) {
        if (grid.item(r, 0)->text() == number) {
            return grid.item(r, 0);
        }
    }
    return nullptr;
}

// Ticks or unticks a 施测号数 with the keyboard, as a user does.
void toggle(QTableWidget& grid, QTableWidgetItem* cell) {
    QVERIFY(cell != nullptr);
    grid.setCurrentItem(cell);
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Space);
}

QString detailsOf(const StationTableDialog& view) {
    return view.relationWindow()->findChild<QPlainTextEdit*>()->toPlainText();
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
    const auto said = [&] { return view.findChild<QLabel*>(QStringLiteral("成果表状态"))->text(); };
    doubleClick();
    QCOMPARE(h.questions.size(), std::size_t(1));
    QCOMPARE(w.sheet().cell(0, 1), std::string("7"));
    QCOMPARE(said(), QStringLiteral("未打开 g2.dat"));
    // "Yes" opens the gauging of the row, and the table says so.
    h.answers.push_back(true);
    doubleClick();
    QCOMPARE(h.questions.size(), std::size_t(2));
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("g2.dat"));
    QCOMPARE(w.sheet().cell(0, 1), std::string("0"));
    QCOMPARE(said(), QStringLiteral("已在主窗口打开施测号数 2（g2.dat）"));
    // The table is a window of its own, which the main window can come in front of.
    QVERIFY(view.isWindow() && view.windowType() == Qt::Window);
    QVERIFY(view.windowHandle()->transientParent() == nullptr);
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

void StationTableTest::leavesGaugingsOutOfTheRelationAndKeepsThem() {
    Harness h;
    MainWindow& w = h.make();
    StationTableDialog& view = w.showStationTable();
    const auto folder = writeYear(h.folder / "Text data" / "青石桥");
    QVERIFY(view.loadFolder(folder));
    QTableWidget& grid = view.grid();
    auto* classes = view.findChild<QComboBox*>(QStringLiteral("测站类别"));
    QCOMPARE(classes->currentText(), QStringLiteral("二类精度站"));
    classes->setCurrentIndex(classes->findText(QStringLiteral("一类精度站")));
    QCOMPARE(view.stationClass(), station::StationClass::First);

    // Unticking asks why; the reason leaves the gauging out, greys its row and is listed.
    QCOMPARE(numberCell(grid, QStringLiteral("3"))->checkState(), Qt::Checked);
    h.texts.push_back("流速仪故障");
    toggle(grid, numberCell(grid, QStringLiteral("3")));
    QCOMPARE(h.prompts.back().text, std::string("施测号数 3 不参加定线的原因："));
    QCOMPARE(numberCell(grid, QStringLiteral("3"))->checkState(), Qt::Unchecked);
    const int row3 = numberCell(grid, QStringLiteral("3"))->row();
    QVERIFY(grid.item(row3, 8)->data(Qt::ForegroundRole).isValid());
    QVERIFY(grid.item(row3, 8)->toolTip().contains(QStringLiteral("流速仪故障")));
    const auto problems = [&] {
        return view.findChild<QPlainTextEdit*>(QStringLiteral("问题"))->toPlainText();
    };
    QVERIFY(problems().contains(QStringLiteral("施测号数 3 不参加定线：流速仪故障")));
    // No reason or 取消: nothing is left out.
    h.texts.push_back("  ");
    toggle(grid, numberCell(grid, QStringLiteral("5")));
    toggle(grid, numberCell(grid, QStringLiteral("5")));
    QCOMPARE(h.prompts.size(), std::size_t(3));
    QCOMPARE(numberCell(grid, QStringLiteral("5"))->checkState(), Qt::Checked);
    QCOMPARE(view.exclusions().size(), std::size_t(1));
    QVERIFY(!grid.item(numberCell(grid, QStringLiteral("5"))->row(), 8)
                 ->data(Qt::ForegroundRole)
                 .isValid());

    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("水位流量关系")), Qt::LeftButton);
    QVERIFY(detailsOf(view).startsWith(QStringLiteral("定线结论：")));
    QVERIFY(detailsOf(view).contains(QStringLiteral("一类精度站")));
    QVERIFY(detailsOf(view).contains(QStringLiteral("施测号数 3 不参加定线：流速仪故障")));
    // The open relation follows a change.
    classes->setCurrentIndex(classes->findText(QStringLiteral("三类精度站")));
    QVERIFY(detailsOf(view).contains(QStringLiteral("三类精度站")));
    h.texts.push_back("水位涨落急剧");
    toggle(grid, numberCell(grid, QStringLiteral("5")));
    QVERIFY(detailsOf(view).contains(QStringLiteral("施测号数 5 不参加定线：水位涨落急剧")));

    // Kept: a view made afresh reads the same year with the same class and exclusions; ticking
    // again takes one back in for good.
    {
        StationTableDialog again(w, {}, nullptr);
        QVERIFY(again.loadFolder(folder));
        QCOMPARE(again.stationClass(), station::StationClass::Third);
        QCOMPARE(again.exclusions().size(), std::size_t(2));
        QCOMPARE(numberCell(again.grid(), QStringLiteral("3"))->checkState(), Qt::Unchecked);
        toggle(again.grid(), numberCell(again.grid(), QStringLiteral("5")));
        QCOMPARE(again.exclusions().size(), std::size_t(1));
    }
    QVERIFY(view.loadFolder(folder));
    QCOMPARE(view.exclusions().size(), std::size_t(1));
    QCOMPARE(view.exclusions()[0].reason, std::string("流速仪故障"));
    QVERIFY(!detailsOf(view).contains(QStringLiteral("施测号数 5 不参加")));
    grid.clearSelection();
    saveScreenshot(view, "station-table-exclusions.png");

    // A gauging kept out that the year no longer has is dropped, and said.
    std::filesystem::remove(folder / "g3.dat");
    QVERIFY(view.loadFolder(folder));
    QVERIFY(view.exclusions().empty());
    QVERIFY(problems().contains(QStringLiteral("不参加定线的施测号数 3 已不在本年测点中")));
    QVERIFY(QSettings().value(QStringLiteral("rating/exclusions/青石桥/2024")).isNull());
    QVERIFY(h.messages.empty());
}

void StationTableTest::keepsAnOutlierAfterReview() {
    Harness h;
    MainWindow& w = h.make();
    StationTableDialog& view = w.showStationTable();
    const auto folder = writeYearWithOutlier(h.folder / "Text data" / "青石桥");
    QVERIFY(view.loadFolder(folder));
    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("水位流量关系")), Qt::LeftButton);
    QVERIFY2(detailsOf(view).contains(QStringLiteral("突出点 1 个未处理：7（")),
             qPrintable(detailsOf(view)));
    auto* keep = view.relationWindow()->findChild<QPushButton*>(QStringLiteral("复核保留"));
    QVERIFY(keep != nullptr && keep->isEnabled());

    // 复核保留 asks why for the outlier; the reason keeps it in the fit and handles it.
    h.texts.push_back("已核对原始记录，无误");
    QTest::mouseClick(keep, Qt::LeftButton);
    QVERIFY(QString::fromStdString(h.prompts.back().text)
                .startsWith(QStringLiteral("施测号数 7 为突出点（偏离 ")));
    QTRY_VERIFY(
        detailsOf(view).contains(QStringLiteral("经复核保留，参加定线：已核对原始记录，无误")));
    QVERIFY(!detailsOf(view).contains(QStringLiteral("未处理")));
    QVERIFY(
        !view.relationWindow()->findChild<QPushButton*>(QStringLiteral("复核保留"))->isEnabled());
    saveScreenshot(*view.relationWindow(), "rating-window-kept.png");
    QTableWidget& grid = view.grid();
    QCOMPARE(numberCell(grid, QStringLiteral("7"))->checkState(), Qt::Checked);
    QVERIFY(grid.item(numberCell(grid, QStringLiteral("7"))->row(), 8)
                ->toolTip()
                .contains(QStringLiteral("经复核保留")));
    QVERIFY(view.findChild<QPlainTextEdit*>(QStringLiteral("问题"))
                ->toPlainText()
                .contains(QStringLiteral("施测号数 7 经复核保留，参加定线：已核对原始记录，无误")));

    // Kept for the year; unticking it then leaves it out instead.
    StationTableDialog again(w, {}, nullptr);
    QVERIFY(again.loadFolder(folder));
    QCOMPARE(again.exclusions().size(), std::size_t(1));
    QVERIFY(again.exclusions()[0].kept);
    h.texts.push_back("水位抄错");
    toggle(again.grid(), numberCell(again.grid(), QStringLiteral("7")));
    QCOMPARE(numberCell(again.grid(), QStringLiteral("7"))->checkState(), Qt::Unchecked);
    QCOMPARE(again.exclusions().size(), std::size_t(1));
    QVERIFY(!again.exclusions()[0].kept);
    QCOMPARE(again.exclusions()[0].reason, std::string("水位抄错"));
    QVERIFY(h.messages.empty());
}

void StationTableTest::keepsItsFoldersAndProposesNamesOfTheStationAndYear() {
    Harness h;
    MainWindow& w = h.make();
    const auto folder = writeYear(h.folder / "Text data" / "青石桥");
    {
        StationTableDialog& view = w.showStationTable();
        // The first time in the measurements' folder, then in the one read last, also after a
        // new start.
        QCOMPARE(view.startFolder(), h.folder / "Text data");
        QVERIFY(view.loadFolder(folder));
        QCOMPARE(view.startFolder(), folder);
    }
    StationTableDialog view(w, {}, nullptr);
    QCOMPARE(view.startFolder(), folder);
    QVERIFY(view.loadFolder(folder));

    // The export is proposed in the exports folder under the station and year; the table says
    // where it went.
    const auto elsewhere = h.folder / paths::fromUtf8("二〇二四");
    std::filesystem::create_directories(elsewhere);
    const auto table = elsewhere / paths::fromUtf8("成果.xlsx");
    h.files.push_back(table);
    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("导出成果表")), Qt::LeftButton);
    QCOMPARE(h.dialogs.back().first, std::string("成果表对话框"));
    QCOMPARE(h.dialogs.back().second,
             h.folder / "excel" / paths::fromUtf8("青石桥 2024 实测流量成果表.xlsx"));
    QVERIFY(readFileBytes(table).value_or("").starts_with("PK"));
    QCOMPARE(view.findChild<QLabel*>(QStringLiteral("成果表状态"))->text(),
             QStringLiteral("实测流量成果表已保存到 ") + qpath(table));

    // The relation's outputs are proposed where the table went.
    view.showRelation();
    RatingWindow& relation = *view.relationWindow();
    const auto picture = elsewhere / "rating.svg";
    h.files.push_back(picture);
    QTest::mouseClick(relation.findChild<QPushButton*>(QStringLiteral("保存关系图")),
                      Qt::LeftButton);
    QCOMPARE(h.dialogs.back().second,
             elsewhere / paths::fromUtf8("青石桥 2024 水位流量关系图.svg"));
    QVERIFY(readFileBytes(picture).value_or("").find("<svg") != std::string::npos);
    h.files.push_back(std::nullopt);
    QTest::mouseClick(relation.findChild<QPushButton*>(QStringLiteral("保存推流表")),
                      Qt::LeftButton);
    QCOMPARE(h.dialogs.back().first, std::string("推流表对话框"));
    QCOMPARE(h.dialogs.back().second, elsewhere / paths::fromUtf8("青石桥 2024 推流表.xlsx"));
    QCOMPARE(relation.findChild<QLabel*>(QStringLiteral("关系图状态"))->text(),
             QStringLiteral("关系图已保存到 ") + qpath(picture));
    // A kept folder that is gone is not proposed.
    std::filesystem::remove_all(folder);
    QCOMPARE(view.startFolder(), h.folder / "Text data");
    QVERIFY(h.messages.empty());
}

void StationTableTest::theRelationWindowFitsTheScreen() {
    Harness h;
    MainWindow& w = h.make();
    StationTableDialog& view = w.showStationTable();
    const auto demo = std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" / "station-year";
    QVERIFY(view.loadFolder(std::filesystem::exists(demo) ? demo : writeYear(h.folder / "year")));
    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("水位流量关系")), Qt::LeftButton);
    RatingWindow& relation = *view.relationWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&relation));
    // The table and the relation, each with every button, on the screen (1366×768 under
    // ctest): the picture is scaled down rather than pushing the buttons off it.
    const QRect area = relation.screen()->availableGeometry();
    for (QWidget* window : {static_cast<QWidget*>(&view), static_cast<QWidget*>(&relation)}) {
        QVERIFY2(area.contains(window->frameGeometry()), qPrintable(window->objectName()));
        for (const QPushButton* button : window->findChildren<QPushButton*>()) {
            const QRect place(button->mapToGlobal(QPoint()), button->size());
            QVERIFY2(area.contains(place), qPrintable(button->text()));
        }
    }
    auto* picture = relation.findChild<QWidget*>(QStringLiteral("关系图画面"));
    QVERIFY(picture->height() >= 300);
    if (area.height() < kRatingPlotHeight + 200) {
        QVERIFY(picture->height() < kRatingPlotHeight);
    }
    // A change of class rebuilds the window where it was.
    const QRect where = relation.geometry();
    auto* classes = view.findChild<QComboBox*>(QStringLiteral("测站类别"));
    classes->setCurrentIndex(classes->findText(QStringLiteral("一类精度站")));
    QCOMPARE(view.relationWindow()->geometry(), where);
}

// Unticking a gauging asks for the reason in a box of the table's own, so that answering it
// leaves the table in front; Escape closes the relation as it closes the table.
void StationTableTest::theReasonBoxBelongsToTheTableAndEscapeClosesTheRelation() {
    Harness h;
    MainWindow& w = h.make();
    StationTableDialog& view = w.showStationTable();
    QVERIFY(view.loadFolder(writeYear(h.folder / "Text data" / "青石桥")));
    QVERIFY(QTest::qWaitForWindowActive(&view));
    // The real box, without the tests' answerer.
    w.setAnswerer({});
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&owner] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        owner = box->parentWidget() != nullptr ? box->parentWidget()->window() : nullptr;
        box->setTextValue(QStringLiteral("流速仪故障"));
        box->accept();
    });
    toggle(view.grid(), numberCell(view.grid(), QStringLiteral("3")));
    QCOMPARE(view.exclusions().size(), std::size_t(1));
    QCOMPARE(owner, static_cast<QWidget*>(&view));

    view.showRelation();
    RatingWindow& relation = *view.relationWindow();
    QVERIFY(QTest::qWaitForWindowActive(&relation));
    QTest::keyClick(&relation, Qt::Key_Escape);
    QVERIFY(!relation.isVisible());
    QVERIFY(view.isVisible());
}

// The table shown after a new start reads the year read last, when its folder is still there.
void StationTableTest::theYearReadLastComesBackAfterANewStart() {
    Harness h;
    const auto folder = writeYear(h.folder / "Text data" / "青石桥");
    {
        MainWindow& w = h.make();
        QVERIFY(w.showStationTable().loadFolder(folder));
    }
    Harness again;
    MainWindow& w = again.make();
    StationTableDialog& view = w.showStationTable();
    QCOMPARE(view.grid().rowCount(), 6);
    std::filesystem::remove_all(folder);
    Harness third;
    QCOMPARE(third.make().showStationTable().grid().rowCount(), 0);
}

int runStationTableTests(int argc, char** argv) {
    StationTableTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "station_table_test.moc"
