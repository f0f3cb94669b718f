// 导出Excel and 打印 clicked in the real window, after a computation typed in the grid.
#include "computed_window.hpp"
#include "gui_support.hpp"

#include "app/qt/qt_text.hpp"

#include "files/file_io.hpp"
#include "platform/print/page_printer.hpp"
#include "app/window_form.hpp"
#include "report/record_form.hpp"
#include "support/worked_example.hpp"
#include "window/program_paths.hpp"

#include <QProgressBar>
#include <QStatusBar>

#include <cstdlib>
#include <filesystem>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

namespace fs = std::filesystem;

// The values the progress bar showed each time it was painted.
class PaintedValues : public QObject {
  public:
    explicit PaintedValues(QProgressBar* bar) : bar_(bar) { bar->installEventFilter(this); }
    std::vector<int> values;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == bar_ && event->type() == QEvent::Paint) {
            values.push_back(bar_->value());
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QProgressBar* bar_;
};

} // namespace

class RecordFormButtonTest : public QObject {
    Q_OBJECT

  private slots:
    void exportWritesTheChosenWorkbookReplacingAnOldOne();
    void exportCancelledWritesNothing();
    void exportWithoutTemplateSaysSo();
    void printWithoutRendererAsksForTheSpreadsheetProgram();
};

void RecordFormButtonTest::exportWritesTheChosenWorkbookReplacingAnOldOne() {
    Harness h;
    MainWindow& w = makeComputed(h);
    QVERIFY(!w.text(ctl::断面流量).empty());
    const fs::path target = h.folder / "excel" / paths::fromUtf8("测流.xlsx");
    QVERIFY(writeFileAtomic(target, "an older workbook"));
    h.files.push_back(target);
    PaintedValues painted(h.find<QProgressBar>(ctl::进度条1));
    h.click(ctl::导出Excel);
    QVERIFY(h.messages.empty());
    // The bar was painted at every step of the fill, not only at its end.
    for (int step : {10, 20, 30, 50, 60, 70, 80, 90, 100}) {
        QVERIFY2(std::find(painted.values.begin(), painted.values.end(), step) !=
                     painted.values.end(),
                 qPrintable(QString::number(step)));
    }
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("记载表已导出：") + qpath(target));
    QCOMPARE(h.dialogs.back().first, std::string(ctl::通用对话框excel));
    QCOMPARE(h.dialogs.back().second, h.folder / "excel");
    // The filled workbook goes straight to the chosen file: no working copy is written.
    QVERIFY(!fs::exists(paths::formWorkingCopy(h.folder, false)));
    QVERIFY(readFileBytes(target)->rfind("PK", 0) == 0);
    QCOMPARE(h.find<QProgressBar>(ctl::进度条1)->value(), 0);
}

void RecordFormButtonTest::exportCancelledWritesNothing() {
    Harness h;
    makeComputed(h);
    h.files.push_back(std::nullopt);
    h.click(ctl::导出Excel);
    QVERIFY(h.messages.empty());
    QVERIFY(!fs::exists(paths::formWorkingCopy(h.folder, false)));
    QVERIFY(fs::is_empty(h.folder / "excel"));
}

void RecordFormButtonTest::exportWithoutTemplateSaysSo() {
    Harness h;
    makeComputed(h);
    fs::remove(paths::formTemplate(h.folder, false));
    h.files.push_back(h.folder / "excel" / "x.xlsx");
    h.click(ctl::导出Excel);
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(qs(h.messages[0].text), QStringLiteral("excel模板丢失，请重新安装本软件。"));
    QCOMPARE(qs(h.messages[0].title), QStringLiteral("Tarnelo"));
    QVERIFY(h.dialogs.empty() || h.dialogs.back().first != ctl::通用对话框excel);
    QVERIFY(!fs::exists(h.folder / "excel" / "x.xlsx"));
}

void RecordFormButtonTest::printWithoutRendererAsksForTheSpreadsheetProgram() {
    Harness h;
    // The spreadsheet road, the one a user may still choose over the program's own.
    makeComputed(h).printAction = printCommand;
    qputenv("TARNELO_SOFFICE", "");
    // Where the system says up front that nothing can print (Windows without Excel, WPS or
    // LibreOffice), that is the message; else the print host is missing.
    const std::string unavailable = printingUnavailable();
    h.click(ctl::打印);
    qunsetenv("TARNELO_SOFFICE");
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(qs(h.messages[0].text),
             unavailable.empty()
                 ? QStringLiteral("您需要在计算机上安装 LibreOffice（或 EXCEL）程序才能进行操作！")
                 : qs(unavailable));
    QCOMPARE(qs(h.messages[0].title), QStringLiteral("Tarnelo"));
    QCOMPARE(h.messages[0].icon,
             unavailable.empty() ? MessageIcon::Warning : MessageIcon::Information);
    QVERIFY(!fs::exists(paths::formWorkingCopy(h.folder, false)));
}

#include "record_form_buttons_test.moc"

int runRecordFormButtonTests(int argc, char** argv) {
    RecordFormButtonTest test;
    return QTest::qExec(&test, argc, argv);
}
