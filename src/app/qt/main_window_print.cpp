// 打印 and 打印预览 through the program's own page renderer: the system's print dialog (printer,
// copies, pages, paper) or the preview of the pages, no office program in between.
#include "app/qt/main_window.hpp"
#include "app/qt/qt_text.hpp"
#include "pages/form_pages.hpp"
#include "pages/page_painter.hpp"
#include "pages/page_printer.hpp"
#include "platform/print/cups_printer.hpp"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>

namespace tarnelo {

namespace {

constexpr const char* kDocumentName = "测深、测速记载及流量计算表";

} // namespace

// Who puts the form on paper, kept between runs: the program's own renderer (the default) or
// the spreadsheet program of the computer (Excel or WPS on Windows, LibreOffice).
constexpr const char* kPrintRoadKey = "print/road";
#ifdef _WIN32
constexpr const char* kSpreadsheetRoad = "电子表格程序（Excel、WPS 或 LibreOffice）";
#else
// Linux prints through LibreOffice only.
constexpr const char* kSpreadsheetRoad = "电子表格程序（LibreOffice）";
#endif

void MainWindow::buildPrintControls() {
    printAction = [this](Window& window, const sys::KeepWaiting& keepWaiting) {
        return printThroughDialog(window, keepWaiting);
    };
    QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("查看"));
    QAction* preview = view->addAction(QStringLiteral("打印预览..."));
    preview->setObjectName(QStringLiteral("打印预览"));
    connect(preview, &QAction::triggered, this, [this] { showPrintPreview(); });
    QMenu* road = view->addMenu(QStringLiteral("打印方式"));
    road->setObjectName(QStringLiteral("打印方式"));
    auto* roads = new QActionGroup(road);
    const bool spreadsheet = QSettings().value(QString::fromLatin1(kPrintRoadKey)).toString() ==
                             QStringLiteral("spreadsheet");
    const auto add = [&](const char* name, const char* text, bool checked, bool viaSpreadsheet) {
        QAction* action = road->addAction(QString::fromUtf8(text));
        action->setObjectName(QString::fromUtf8(name));
        action->setCheckable(true);
        action->setChecked(checked);
        roads->addAction(action);
        connect(action, &QAction::triggered, this, [this, viaSpreadsheet] {
            printViaSpreadsheet_ = viaSpreadsheet;
            QSettings().setValue(QString::fromLatin1(kPrintRoadKey),
                                 viaSpreadsheet ? QStringLiteral("spreadsheet")
                                                : QStringLiteral("tarnelo"));
        });
    };
    add("打印方式本程序", "本程序绘制（默认）", !spreadsheet, false);
    add("打印方式电子表格", kSpreadsheetRoad, spreadsheet, true);
    printViaSpreadsheet_ = spreadsheet;
}

// Runs a dialog modally, or hands it to the tests' answerer, which closes it when done.
static int runDialog(QDialog& dialog, const std::function<void(QDialog&)>& modal) {
    if (modal) {
        dialog.show();
        modal(dialog);
        const int result = dialog.result();
        if (dialog.isVisible()) {
            dialog.reject();
        }
        return result;
    }
    return dialog.exec();
}

FormOutcome MainWindow::printThroughDialog(Window& window, const sys::KeepWaiting& keepWaiting) {
    if (printViaSpreadsheet_) {
        return computed_.run() ? printComputedForm(window, formContextOf(window), computedForm(),
                                                   computed_.findings(), keepWaiting)
                               : printCommand(window, keepWaiting);
    }
    pages::FormPages made = computed_.run()
                                ? pages::formPages(window, formContextOf(window), computedForm(),
                                                   computed_.findings(), "打印")
                                : windowFormPages(window, "打印");
    if (made.outcome.status != FormOutcome::Status::Done) {
        return made.outcome;
    }
    if (const std::string font = pages::chineseFontProblem(); !font.empty()) {
        showMessage(font, "信息：", MessageIcon::Warning);
        return {FormOutcome::Status::Failed, made.outcome.twoPages, {}, font, {}, 0, 0};
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromUtf8(kDocumentName));
    // The dialog and its printer properties show the form's paper and orientation (横向).
    if (!made.layout.pages.empty()) {
        printer.setPageLayout(pages::pageLayoutOf(made.layout.pages.front()));
    }
    const int count = static_cast<int>(made.layout.pages.size());
    printer.setFromTo(1, count);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印记载表"));
    dialog.setMinMax(1, count);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintShowPageSize);
    if (runDialog(dialog, answerer_.modal) != QDialog::Accepted) {
        return {FormOutcome::Status::Cancelled, made.outcome.twoPages, {}, {}, {}, 0, 0};
    }
    std::string problem = pages::unchosenPrinter(printer);
    if (problem.empty() && printer.outputFormat() == QPrinter::NativeFormat) {
        PrintServiceLimits service;
        service.keepWaiting = keepWaiting;
        problem = printerRefusal(utf8(printer.printerName()), service);
        const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
        const int pages = range ? std::min(count, std::max(printer.toPage(), printer.fromPage())) -
                                      printer.fromPage() + 1
                                : count;
        const std::string many = pages::manySheets(pages, printer.copyCount());
        if (problem.empty() && !many.empty() && !ask(many + "。确实要打印吗？", "打印")) {
            return {FormOutcome::Status::Cancelled, made.outcome.twoPages, {}, {}, {}, 0, 0};
        }
    }
    if (problem.empty()) {
        problem = pages::printLayout(made.layout, printer);
    }
    if (!problem.empty()) {
        showMessage(problem, "信息：", MessageIcon::Warning);
        return {FormOutcome::Status::Failed, made.outcome.twoPages, {}, problem, {}, 0, 0};
    }
    FormOutcome done{FormOutcome::Status::Done,
                     made.outcome.twoPages,
                     {},
                     {},
                     utf8(printer.printerName()),
                     count,
                     0};
    done.message = "记载表已送往打印机“" + utf8(printer.printerName()) + "”（" +
                   std::to_string(count) + " 页）。";
    return done;
}

void MainWindow::showPrintPreview() {
    if (!isEnabled(ctl::打印)) {
        setStatus("请先计算：打印预览显示计算后的记载表。");
        return;
    }
    pages::FormPages made;
    run([&](Window& window) {
        made = computed_.run() ? pages::formPages(window, formContextOf(window), computedForm(),
                                                  computed_.findings(), "打印预览")
                               : windowFormPages(window, "打印预览");
    });
    if (made.outcome.status != FormOutcome::Status::Done) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromUtf8(kDocumentName));
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("打印预览"));
    dialog.setWindowTitle(QStringLiteral("打印预览 - 测深、测速记载及流量计算表"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
        if (const std::string problem = pages::printLayout(made.layout, *target);
            !problem.empty()) {
            setStatus(problem);
        }
    });
    runDialog(dialog, answerer_.modal);
}

} // namespace tarnelo
