// The window 断面图: opened from the menu or F9 after 计算, it follows the next computation,
// shows the uncertainty like the status bar, and saves the picture as SVG and PNG.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "app/qt/section_plot_window.hpp"
#include "app/qt/uncertainty_view.hpp"
#include "files/file_io.hpp"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTreeWidget>

#include <array>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

// The field manual's worked example (vertical mode, surface coefficient 0.85).
void typeWorkedExample(Harness& h) {
    typeIntoBox(h.find<QLineEdit>(ctl::水面系数编辑框), QStringLiteral("0.85"));
    const std::vector<std::vector<QString>> rows{{"0", "0", "", "", ""},
                                                 {"5", "1.2", "0.6", "10", "100"},
                                                 {"10", "1.8", "0.6", "15", "110"},
                                                 {"15", "1.5", "0.0", "20", "105"},
                                                 {"20", "0", "", "", ""}};
    const int columns[] = {1, 2, 3, 5, 6};
    for (int r = 0; r < 5; ++r) {
        for (int i = 0; i < 5; ++i) {
            if (!rows[r][i].isEmpty()) {
                typeIntoCell(&h.window->grid(), r, columns[i], rows[r][i]);
            }
        }
    }
}

} // namespace

class SectionPlotTest : public QObject {
    Q_OBJECT

  private slots:
    void opensAfterComputingAndFollowsTheNextComputation();
    void savesTheShownPictureAsSvgAndPng();
    void theUncertaintyViewListsTheComponents();
    void theThreePointRuleIsKeptAndStalesTheResults();
};

void SectionPlotTest::opensAfterComputingAndFollowsTheNextComputation() {
    Harness h;
    MainWindow& w = h.make();
    const QSize size = w.size();
    QMenu* view = w.menuBar()->findChild<QMenu*>(QStringLiteral("查看"));
    QVERIFY(view != nullptr);
    auto* entry = view->findChild<QAction*>(QStringLiteral("断面图"));
    QVERIFY(entry != nullptr);
    QCOMPARE(entry->shortcut(), QKeySequence(Qt::Key_F9));

    typeWorkedExample(h);
    h.click(ctl::计算);
    QCOMPARE(w.text(ctl::断面流量), std::string("37.4"));
    auto* uncertainty = w.statusBar()->findChild<QLabel*>(QStringLiteral("不确定度"));
    QVERIFY(uncertainty != nullptr && uncertainty->isVisible());
    // Three velocity verticals: too few for either method, and said so.
    QCOMPARE(uncertainty->text(), QStringLiteral("Q = 37.4 m³/s　不确定度无法估算（垂线太少）"));

    // F9 opens it on the last computation.
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_F9);
    SectionPlotWindow& plot = w.sectionPlotWindow();
    QVERIFY(plot.isVisible());
    QCOMPARE(plot.windowTitle(), QStringLiteral("断面图"));
    QVERIFY(plot.svg().find("Q = 37.4 m³/s") != std::string::npos);
    QCOMPARE(plot.summary(), uncertainty->text());
    // The picture the window shows is the section's, at its own size.
    QCOMPARE(QSizeF(plot.picture().width, plot.picture().height), QSizeF(960, 640));
    QVERIFY(plot.picture().items.size() > 20);
    const int shown = plot.pictureCount();
    saveScreenshot(plot, "section-plot-window.png");

    // A new N on the second vertical and 计算 again: the open window shows the new figures.
    typeIntoCell(&w.grid(), 2, 5, QStringLiteral("30"));
    h.click(ctl::计算);
    const std::string discharge = w.text(ctl::断面流量);
    QVERIFY(discharge != "37.4");
    QVERIFY(plot.pictureCount() > shown);
    QVERIFY(plot.svg().find("Q = " + discharge + " m³/s") != std::string::npos);
    QVERIFY(plot.svg().find("Q = 37.4 m³/s") == std::string::npos);

    // 更多 names the station: the open picture's title follows the document's header at once.
    h.onDialog = [](QDialog& dialog) {
        typeIntoCell(dialog.findChild<QTableWidget*>(QStringLiteral("制表数据表格")), 1, 1,
                     QStringLiteral("长江站"));
        dialog.findChild<QPushButton*>(QStringLiteral("制表完成"))->click();
    };
    const int titled = plot.pictureCount();
    QVERIFY(plot.svg().find("长江站") == std::string::npos);
    h.click(ctl::更多);
    QCOMPARE(w.document().header().fields().测站名称, std::string("长江站"));
    QVERIFY(plot.pictureCount() > titled);
    QVERIFY(plot.svg().find("长江站") != std::string::npos);
    QVERIFY(plot.svg().find("Q = " + discharge + " m³/s") != std::string::npos);

    // 清空 leaves the profile of an empty sheet and no uncertainty.
    h.click(ctl::清空);
    QVERIFY(!uncertainty->isVisible());
    QVERIFY(plot.svg().find("Q = ") == std::string::npos);
    // The main window kept its size and layout.
    QCOMPARE(w.size(), size);
}

// The 25-vertical example: both methods in the status bar, and the 不确定度 view (from the 查看
// menu or the findings list) with every component, random and systematic apart.
// 查看 → 三点法: the station's rule, kept for the next start; figures computed by the other
// rule go stale until 计算 is pressed again.
void SectionPlotTest::theThreePointRuleIsKeptAndStalesTheResults() {
    const QString key = QStringLiteral("compute/three_point");
    QSettings().remove(key);
    Harness h;
    MainWindow& w = h.make();
    h.click(ctl::测速模式);
    const std::vector<std::array<const char*, 4>> rows{
        {"0", "0", "", ""},      {"1.0", "1.0", "0.2", "0.50"}, {"", "", "0.6", "0.80"},
        {"", "", "0.8", "0.40"}, {"2.0", "1.2", "0.6", "0.60"}, {"3.0", "1.0", "0.6", "0.50"},
        {"4.0", "0", "", ""}};
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const int columns[] = {col::起点距, col::水深, col::相对, col::测点流速};
        for (int i = 0; i < 4; ++i) {
            enterCell(w, r, columns[i], rows[static_cast<std::size_t>(r)][i]);
        }
    }
    h.click(ctl::计算);
    QCOMPARE(w.sheet().cell(1, col::平均流速), std::string("0.57"));
    auto* iso = w.menuBar()
                    ->findChild<QMenu*>(QStringLiteral("查看"))
                    ->findChild<QMenu*>(QStringLiteral("三点法"))
                    ->findChild<QAction*>(QStringLiteral("三点法ISO748"));
    QVERIFY(iso != nullptr);
    QVERIFY(!iso->isChecked());
    iso->trigger();
    QCOMPARE(QSettings().value(key).toString(), QStringLiteral("4"));
    QVERIFY(!h.find<QPushButton>(ctl::打印)->isEnabled());
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("输入已修改，请重新计算。"));
    QVERIFY(!w.document().current());
    h.click(ctl::计算);
    QCOMPARE(w.sheet().cell(1, col::平均流速), std::string("0.62"));
    QVERIFY(h.find<QPushButton>(ctl::打印)->isEnabled());
    QVERIFY(w.document().current());
    QVERIFY(w.document().lastRun()->input.threePoint == ThreePointRule::Iso748);

    Harness next;
    MainWindow& again = next.make();
    QVERIFY(again.threePointRule() == ThreePointRule::Iso748);
    QVERIFY(again.menuBar()->findChild<QAction*>(QStringLiteral("三点法ISO748"))->isChecked());
    QSettings().remove(key);
}

void SectionPlotTest::theUncertaintyViewListsTheComponents() {
    Harness h;
    MainWindow& w = h.make();
    h.files.push_back(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" /
                      "vertical-25-verticals.dat");
    h.click(ctl::打开);
    h.click(ctl::计算);
    QCOMPARE(w.text(ctl::断面流量), std::string("626"));
    auto* label = w.statusBar()->findChild<QLabel*>(QStringLiteral("不确定度"));
    QVERIFY(label != nullptr && label->isVisible());
    QVERIFY(label->text().startsWith(QStringLiteral("Q = 626 m³/s ± 6.2 %（ISO 748）　IVE ± ")));

    QMenu* view = w.menuBar()->findChild<QMenu*>(QStringLiteral("查看"));
    QVERIFY(view != nullptr);
    auto* entry = view->findChild<QAction*>(QStringLiteral("不确定度菜单"));
    QVERIFY(entry != nullptr);
    entry->trigger();
    auto* shown = w.findChild<UncertaintyView*>();
    QVERIFY(shown != nullptr && shown->isVisible());
    // The view says in full what the status bar shortens; the label's tooltip does too.
    const QString full = shown->findChild<QLabel*>(QStringLiteral("不确定度摘要"))->text();
    QVERIFY(full.startsWith(QStringLiteral("Q = 626 m³/s ± 6.2 %（ISO 748，95%）　IVE ± ")));
    QVERIFY(label->toolTip().startsWith(full));
    auto* tree = shown->findChild<QTreeWidget*>(QStringLiteral("不确定度分量"));
    QVERIFY(tree != nullptr);
    QCOMPARE(tree->topLevelItemCount(), 2);
    for (int m = 0; m < 2; ++m) {
        QTreeWidgetItem* method = tree->topLevelItem(m);
        QStringList kinds;
        for (int i = 0; i < method->childCount(); ++i) {
            kinds << method->child(i)->text(2);
        }
        // Random terms first, then the systematic one, then the source.
        QVERIFY(kinds.indexOf(QStringLiteral("随机")) >= 0);
        QVERIFY(kinds.lastIndexOf(QStringLiteral("随机")) < kinds.indexOf(QStringLiteral("系统")));
        QTreeWidgetItem* source = method->child(method->childCount() - 1);
        QCOMPARE(source->text(0), QStringLiteral("来源"));
        // The source is longer than its column is wide: it wraps onto lines enough for it.
        const QRect place = tree->visualItemRect(source);
        const int width = tree->columnWidth(3);
        const int needed = tree->fontMetrics().horizontalAdvance(source->text(3));
        QVERIFY(needed > width);
        QVERIFY2(place.height() * width >= needed * tree->fontMetrics().height(),
                 qPrintable(source->text(3)));
    }
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("ISO 748"));
    QCOMPARE(tree->topLevelItem(0)->childCount(), 8); // seven components and the source
    saveScreenshot(*shown, "uncertainty-view.png");
    shown->close();

    // From the findings list too, and only one view.
    w.findingsDialog().findChild<QPushButton*>(QStringLiteral("不确定度按钮"))->click();
    QVERIFY(shown->isVisible());
    QCOMPARE(w.findChildren<UncertaintyView*>().size(), 1);
}

void SectionPlotTest::savesTheShownPictureAsSvgAndPng() {
    Harness h;
    MainWindow& w = h.make();
    typeWorkedExample(h);
    h.click(ctl::计算);
    w.menuBar()
        ->findChild<QMenu*>(QStringLiteral("查看"))
        ->findChild<QAction*>(QStringLiteral("断面图"))
        ->trigger();
    SectionPlotWindow& plot = w.sectionPlotWindow();
    QVERIFY(plot.isVisible());

    const auto svgFile = h.folder / "excel" / paths::fromUtf8("断面.svg");
    const auto pngFile = h.folder / "excel" / paths::fromUtf8("断面.png");
    h.files.push_back(svgFile);
    h.files.push_back(pngFile);
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("保存SVG")), Qt::LeftButton);
    QTest::mouseClick(plot.findChild<QPushButton*>(QStringLiteral("保存PNG")), Qt::LeftButton);
    QCOMPARE(readFileBytes(svgFile).value_or(""), plot.svg());
    const std::string png = readFileBytes(pngFile).value_or("");
    QVERIFY(png.starts_with("\x89PNG\r\n\x1a\n"));
    QCOMPARE(h.dialogs.size(), std::size_t(2));
    QCOMPARE(h.dialogs[0].first, std::string("断面图SVG对话框"));
    QCOMPARE(h.dialogs[1].first, std::string("断面图PNG对话框"));
    QVERIFY(w.statusBar()->currentMessage().startsWith(QStringLiteral("断面图已保存：")));

    // A cancelled dialog writes nothing.
    QVERIFY(!plot.saveSvg());
}

int runSectionPlotTests(int argc, char** argv) {
    SectionPlotTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "section_plot_test.moc"
