// The main window at other sizes than its default, its size kept between runs, and the file
// dialogs in Chinese with a proposed name.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "app/qt/row_numbers.hpp"
#include "app/qt/screen_fit.hpp"
#include "files/record_header.hpp"

#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

// The columns under each heading label.
struct Span {
    std::string_view label;
    int first;
    int last;
};
constexpr Span kSpans[] = {{ctl::标签1, 0, 0},    {ctl::标签12, 3, 4},   {ctl::标签5, 4, 4},
                           {ctl::标签19, 8, 11},  {ctl::标签10, 11, 11}, {ctl::标签22, 12, 13},
                           {ctl::标签17, 15, 15}, {ctl::标签18, 16, 16}};

// Headings over their columns, results under the sheet, panels at the right edge.
void checkPlaces(Harness& h, MainWindow& w) {
    SheetView& grid = w.grid();
    QWidget* client = h.find(std::string_view("client"));
    const int dx = client->width() - 952;
    const int dy = client->height() - 525;
    QVERIFY(dx >= 0 && dy >= -MainWindow::kCompactBy);
    QCOMPARE(grid.geometry(), QRect(8, 67, 716 + dx, 387 + dy));
    QCOMPARE(h.find(ctl::分组框3)->geometry(), QRect(9, 4, 731 + dx, 511 + dy));
    // Lower than the default, 计算系数 loses its empty foot below 更多, then the gap under it.
    const int lower = std::max(0, -dy);
    QCOMPARE(h.find(ctl::分组框1)->geometry(), QRect(750 + dx, 4, 192, 224 - std::min(lower, 66)));
    QCOMPARE(h.find(ctl::分组框2)->geometry(), QRect(750 + dx, 248 - lower, 192, 267));
    const QRect more = h.find(ctl::保存系数)->geometry();
    QVERIFY(more.bottom() < h.find(ctl::分组框1)->height());
    QVERIFY(h.find(ctl::分组框1)->geometry().bottom() < h.find(ctl::分组框2)->y());
    // Every control of 程序控制 is inside the client.
    QVERIFY(h.find(ctl::分组框2)->geometry().bottom() < client->height());
    int total = 0;
    for (int c = 0; c < Sheet::kColumns; ++c) {
        QVERIFY(grid.columnWidth(c) >= w.sheet().columnWidth(c));
        total += grid.columnWidth(c);
    }
    QCOMPARE(total, 697 + dx);
    for (const Span& span : kSpans) {
        const QRect label = h.find(span.label)->geometry();
        QCOMPARE(label.x(), grid.x() + grid.columnViewportPosition(span.first));
        if (span.last < Sheet::kColumns - 1) {
            QCOMPARE(label.right(), grid.x() + grid.columnViewportPosition(span.last + 1));
        } else {
            QCOMPARE(label.right(), grid.geometry().right());
        }
    }
    for (std::string_view name : ctl::kResultFields) {
        const QRect box = h.find(name)->geometry();
        QVERIFY(box.y() == 453 + dy || box.y() == 476 + dy);
        QVERIFY(box.right() <= grid.geometry().right());
    }
    QCOMPARE(h.find(ctl::最大水深)->geometry().right(), grid.geometry().right());
    RowNumbers* numbers = w.findChild<RowNumbers*>(QStringLiteral("行号"));
    QCOMPARE(numbers->geometry().right() + 1, grid.mapTo(client, QPoint(0, 0)).x());
    QCOMPARE(numbers->height(), grid.viewport()->height());
}

} // namespace

class WindowSizeTest : public QObject {
    Q_OBJECT

  private slots:
    void growsLargerNeverSmaller();
    void fitsItsScreenAtAnyScaling();
    void sizeIsKeptBetweenRuns();
    void maximisedWithTwentyFiveVerticalsComputed();
    void fileDialogsSpeakChineseAndProposeAName();
    void exportSaysWhereTheFormWent();
};

void WindowSizeTest::growsLargerNeverSmaller() {
    Harness h;
    MainWindow& w = h.make();
    const QSize start = w.size();
    const QSize compact = start - QSize(0, MainWindow::kCompactBy);
    QCOMPARE(w.minimumSize(), compact);
    checkPlaces(h, w);
    w.resize(1500, 900);
    QCoreApplication::processEvents();
    QCOMPARE(w.size(), QSize(1500, 900));
    checkPlaces(h, w);
    // More rows are in view: all twenty.
    QVERIFY(w.grid().viewport()->height() >= 20 * 24);
    // Lower than the default, down to the compact size; the sheet keeps its rows in view.
    for (const int lower : {30, 66, 70, MainWindow::kCompactBy}) {
        w.resize(start - QSize(0, lower));
        QCoreApplication::processEvents();
        checkPlaces(h, w);
    }
    QVERIFY(w.grid().viewport()->height() >= 12 * 24);
    w.resize(700, 400);
    QCoreApplication::processEvents();
    QCOMPARE(w.size(), compact);
    checkPlaces(h, w);
}

// On whatever screen the suite runs: the offscreen one (800 by 600), and a laptop's 1366 by 768
// at 125 % and at 200 % (1093 by 614 and 683 by 384). The window opens inside the screen's
// free area with its status bar on it; lower than the compact size, the controls scroll and
// every button can be scrolled to.
void WindowSizeTest::fitsItsScreenAtAnyScaling() {
    Harness h;
    MainWindow& w = h.make();
    w.hide();
    const QSize start = w.size();
    const QSize compact = start - QSize(0, MainWindow::kCompactBy);
    const QRect free = usableArea(w);
    // A window kept from a larger screen, too.
    for (const QSize kept : {start, QSize(1900, 1100)}) {
        w.resize(kept);
        w.move(50, 50);
        w.fitToItsScreen();
        QVERIFY2(free.contains(QRect(w.pos() + QPoint(8, 38), w.size())),
                 qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                .arg(w.x())
                                .arg(w.y())
                                .arg(w.width())
                                .arg(w.height())
                                .arg(free.width())
                                .arg(free.height())));
        if (free.width() >= kept.width() && free.height() >= kept.height()) {
            QCOMPARE(w.size(), kept);
        }
        if (free.contains(QRect(QPoint(58, 88), kept))) {
            QCOMPARE(w.pos(), QPoint(50, 50));
        }
        QCOMPARE(w.minimumSize(), compact.boundedTo(free.size()));
    }
    w.resize(start);
    w.fitToItsScreen();
    w.show();
    QCoreApplication::processEvents();
    checkPlaces(h, w);
    QVERIFY(w.statusBar()->geometry().bottom() < w.height());
    auto* scroller = h.find<QScrollArea>("客户区");
    QVERIFY(scroller != nullptr);
    const QSize room = scroller->viewport()->size();
    const bool scrolls = w.height() < compact.height() || w.width() < compact.width();
    QCOMPARE(scroller->verticalScrollBar()->isVisible() ||
                 scroller->horizontalScrollBar()->isVisible(),
             scrolls);
    for (std::string_view name : {ctl::计算, ctl::打印, ctl::进度条1, ctl::最大水深}) {
        scroller->ensureWidgetVisible(h.find(name), 0, 0);
        QCoreApplication::processEvents();
        const QRect at(h.find(name)->mapTo(scroller->viewport(), QPoint(0, 0)),
                       h.find(name)->size());
        QVERIFY2(QRect(QPoint(0, 0), room).contains(at), std::string(name).c_str());
    }
    const QByteArray shot = QStringLiteral("main-window-%1x%2.png")
                                .arg(w.screen()->geometry().width())
                                .arg(w.screen()->geometry().height())
                                .toUtf8();
    saveScreenshot(w, shot.constData());
}

void WindowSizeTest::sizeIsKeptBetweenRuns() {
    QSettings().clear();
    {
        Harness h;
        MainWindow& w = h.make();
        w.resize(1200, 800);
        QVERIFY(w.close());
    }
    Harness h;
    MainWindow& w = h.make();
    QCOMPARE(w.size().width(), 952); // a window opens at the default size ...
    w.restoreWindowSize();           // ... until start-up brings back the last one
    QCOMPARE(w.size(), QSize(1200, 800));
    // A stored size below the default is never taken.
    QSettings().setValue(QStringLiteral("window/size"), QSize(300, 200));
    w.restoreWindowSize();
    QCOMPARE(w.size(), w.minimumSize());
    QSettings().clear();
}

void WindowSizeTest::maximisedWithTwentyFiveVerticalsComputed() {
    Harness h;
    MainWindow& w = h.make();
    h.files.push_back(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" /
                      "vertical-25-verticals.dat");
    h.click(ctl::打开);
    h.click(ctl::计算);
    QVERIFY(h.messages.empty());
    QCOMPARE(w.text(ctl::致谢框), std::string("感谢使用!"));
    w.showMaximized();
    QCoreApplication::processEvents();
    const QRect screen = w.screen()->availableGeometry();
    if (screen.width() >= w.minimumWidth() && screen.height() >= w.minimumHeight()) {
        QCOMPARE(w.size(), screen.size());
    }
    checkPlaces(h, w);
    w.grid().setCurrentIndex(w.grid().model()->index(0, col::起点距));
    w.grid().setFocus();
    saveScreenshot(w, "main-window-maximised.png");
}

void WindowSizeTest::fileDialogsSpeakChineseAndProposeAName() {
    Harness h;
    MainWindow& w = h.make();
    std::array<std::string, kRecordHeaderFields> values{};
    values[0] = "黄河口站";
    values[1] = "2023年7月1日8时30分";
    values[38] = "15";
    w.setRecordHeader(recordHeaderBytes(values).value());
    // Real dialogs from here on; messages are still caught.
    MainWindow::Answerer answerer;
    answerer.message = [&h](const std::string& text, const std::string& title, MessageIcon icon) {
        h.messages.push_back({text, title, icon});
    };
    w.setAnswerer(answerer);
    // Measurements saved before, under names as long as real ones.
    for (const char* name :
         {"黄河口站_2023年6月30日.dat", "黄河口站_14.dat", "利津水文站_2023年第7次测流.dat"}) {
        std::filesystem::copy_file(std::filesystem::path(TARNELO_SOURCE_DIR) / "examples" /
                                       "vertical-25-verticals.dat",
                                   h.folder / "Text data" / std::filesystem::u8path(name));
    }
    QString proposed;
    QStringList buttons;
    QString lookIn;
    int width = 0;
    bool columnsWhole = false;
    QTimer::singleShot(50, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        width = dialog->width();
        // The folder is read in the background; then every column shows its texts whole.
        auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(files != nullptr);
        QVERIFY(
            QTest::qWaitFor([files] { return files->model()->rowCount(files->rootIndex()) == 3; }));
        QCoreApplication::processEvents();
        columnsWhole = true;
        const QFontMetrics metrics(files->font());
        for (int c = 0; c < files->header()->count(); ++c) {
            int widest =
                metrics.horizontalAdvance(files->model()->headerData(c, Qt::Horizontal).toString());
            for (int r = 0; r < files->model()->rowCount(files->rootIndex()); ++r) {
                const QModelIndex at = files->model()->index(r, c, files->rootIndex());
                widest = std::max(widest, metrics.horizontalAdvance(at.data().toString()) +
                                              (c == 0 ? files->iconSize().width() + 8 : 0));
            }
            columnsWhole = columnsWhole && files->columnWidth(c) > widest;
        }
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            proposed = name->text();
        }
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            buttons << button->text();
        }
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))) {
            lookIn = label->text();
        }
        saveScreenshot(*dialog, "file-dialog.png");
        dialog->reject();
    });
    h.click(ctl::保存);
    QCOMPARE(proposed, QStringLiteral("黄河口站_15.dat"));
    QVERIFY2(buttons.contains(QStringLiteral("取消")), qPrintable(buttons.join(u',')));
    QCOMPARE(lookIn, QStringLiteral("查找范围："));
    QVERIFY(width >= 900);
    QVERIFY(columnsWhole);
    QCOMPARE(std::distance(std::filesystem::directory_iterator(h.folder / "Text data"),
                           std::filesystem::directory_iterator()),
             3);
    QVERIFY(w.text(ctl::编辑框当前操作数据).empty());
}

void WindowSizeTest::exportSaysWhereTheFormWent() {
    Harness h;
    MainWindow& w = h.make();
    w.exportAction = [](Window&) {
        FormOutcome outcome;
        outcome.status = FormOutcome::Status::Done;
        outcome.file = paths::fromUtf8("/tmp/记载表.xlsx");
        return outcome;
    };
    w.printAction = [](Window&, const sys::KeepWaiting&) {
        FormOutcome outcome;
        outcome.status = FormOutcome::Status::Done;
        outcome.twoPages = true;
        return outcome;
    };
    w.setEnabled(ctl::导出Excel, true);
    w.setEnabled(ctl::打印, true);
    h.click(ctl::导出Excel);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("记载表已导出：/tmp/记载表.xlsx"));
    h.click(ctl::打印);
    QVERIFY(w.statusBar()->currentMessage().startsWith(QStringLiteral("记载表已送往打印机")));
    QVERIFY(w.statusBar()->currentMessage().endsWith(QStringLiteral("（共 2 页）")));
    // A cancelled export says nothing of being done.
    w.setStatus("");
    w.exportAction = [](Window&) { return FormOutcome{}; };
    h.click(ctl::导出Excel);
    QVERIFY(w.statusBar()->currentMessage().isEmpty());
}

#include "window_size_test.moc"

int runWindowSizeTests(int argc, char** argv) {
    WindowSizeTest test;
    return QTest::qExec(&test, argc, argv);
}
