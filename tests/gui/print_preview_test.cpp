// 打印 and 打印预览 through the program's own page renderer, offscreen: the preview counts the
// form's pages, 打印 asks the system's print dialog, the station table previews its pages, and
// the print road chosen in 查看 → 打印方式 is kept for the next start.
#include "computed_window.hpp"
#include "gui_support.hpp"

#include "app/qt/station_table_dialog.hpp"
#include "report/record_form.hpp"
#include "support/worked_example.hpp"
#include "window/program_paths.hpp"

#include <QAction>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>

#include <filesystem>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

namespace fs = std::filesystem;

// The pages a preview dialog shows.
int previewPages(QDialog& dialog) {
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    if (preview == nullptr) {
        return -1;
    }
    preview->updatePreview();
    QCoreApplication::processEvents();
    return preview->pageCount();
}

} // namespace

class PrintPreviewTest : public QObject {
    Q_OBJECT

  private slots:
    void printPreviewShowsThePagesAndPrintAsksForThePrinter();
    void theStationTablePreviewsItsPages();
    void theChosenPrintRoadIsKept();
    void withoutAPrinterItSaysHowToAddOne();
};

// 打印预览 draws the form with the program's own renderer; 打印 opens the system's print dialog,
// and a cancelled dialog prints nothing and says nothing.
void PrintPreviewTest::printPreviewShowsThePagesAndPrintAsksForThePrinter() {
    Harness h;
    MainWindow& w = makeComputed(h);
    int pages = -1;
    QString title;
    h.onDialog = [&](QDialog& dialog) {
        title = dialog.windowTitle();
        pages = previewPages(dialog);
        dialog.reject();
    };
    auto* preview = w.findChild<QAction*>(QStringLiteral("打印预览"));
    QVERIFY(preview != nullptr);
    preview->trigger();
    QCOMPARE(pages, 1);
    QVERIFY(title.startsWith(QStringLiteral("打印预览")));
    QVERIFY(h.messages.empty());

    title.clear();
    const QString before = w.statusBar()->currentMessage();
    h.click(ctl::打印);
    QCOMPARE(title, QStringLiteral("打印记载表"));
    QVERIFY(h.messages.empty());
    QCOMPARE(w.statusBar()->currentMessage(), before);
    // The preview and the print dialog lay out the form filled in memory: no file is written.
    QVERIFY(!fs::exists(paths::formWorkingCopy(h.folder, false)));
}

void PrintPreviewTest::theStationTablePreviewsItsPages() {
    Harness h;
    MainWindow& w = h.make();
    StationTableDialog& table = w.showStationTable();
    QVERIFY(table.loadFolder(fs::path(TARNELO_SOURCE_DIR) / "examples" / "station-year"));
    int pages = -1;
    table.previewShown = [&](QDialog& dialog) { pages = previewPages(dialog); };
    QVERIFY(table.printTable());
    // The table as the yearbook prints it, 检查与不确定度 and 问题, a page each.
    QCOMPARE(pages, 3);
    QVERIFY(h.messages.empty());
}

void PrintPreviewTest::theChosenPrintRoadIsKept() {
    {
        Harness h;
        MainWindow& w = makeComputed(h);
        auto* spreadsheet = w.findChild<QAction*>(QStringLiteral("打印方式电子表格"));
        auto* own = w.findChild<QAction*>(QStringLiteral("打印方式本程序"));
        QVERIFY(spreadsheet != nullptr && own != nullptr);
        QVERIFY(own->isChecked());
        spreadsheet->trigger();
        QVERIFY(spreadsheet->isChecked() && !own->isChecked());
        // The spreadsheet road: no print dialog; without a spreadsheet program it says so.
        qputenv("TARNELO_SOFFICE", "");
        QString title;
        h.onDialog = [&](QDialog& dialog) {
            title = dialog.windowTitle();
            dialog.reject();
        };
        h.click(ctl::打印);
        qunsetenv("TARNELO_SOFFICE");
        QVERIFY(title.isEmpty());
        QCOMPARE(h.messages.size(), std::size_t(1));
    }
    Harness again;
    MainWindow& w = again.make();
    QVERIFY(w.findChild<QAction*>(QStringLiteral("打印方式电子表格"))->isChecked());
    w.findChild<QAction*>(QStringLiteral("打印方式本程序"))->trigger();
}

// A computer without a printer: the print dialog shows the form's paper turned as the form is
// (横向), and printing says that no printer is set up and where one is added, never a printer
// without a name.
void PrintPreviewTest::withoutAPrinterItSaysHowToAddOne() {
    // A print service that cannot be reached has no printers.
    qputenv("CUPS_SERVER", "127.0.0.1:1");
    Harness h;
    makeComputed(h);
    QString printer = QStringLiteral("?");
    QPageLayout::Orientation turned = QPageLayout::Portrait;
    h.onDialog = [&](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        QVERIFY(print != nullptr);
        turned = print->printer()->pageLayout().orientation();
        dialog.accept();
        printer = print->printer()->printerName();
    };
    h.click(ctl::打印);
    qunsetenv("CUPS_SERVER");
    QCOMPARE(turned, QPageLayout::Landscape);
    if (!printer.isEmpty()) {
        QSKIP("the print dialog found a printer");
    }
    QCOMPARE(h.messages.size(), std::size_t(1));
    const std::string& said = h.messages[0].text;
    QVERIFY2(said.find("没有设置打印机") != std::string::npos, said.c_str());
    // How to add one, in the words of the system it runs on.
    QVERIFY2(said.find("http://localhost:631") != std::string::npos ||
                 said.find("设置 > 打印机和扫描仪") != std::string::npos,
             said.c_str());
    QVERIFY2(said.find("“”") == std::string::npos, said.c_str());
}

#include "print_preview_test.moc"

int runPrintPreviewTests(int argc, char** argv) {
    PrintPreviewTest test;
    return QTest::qExec(&test, argc, argv);
}
