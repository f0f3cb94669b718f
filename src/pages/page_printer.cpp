#include "pages/page_printer.hpp"

#include "pages/page_painter.hpp"
#include "platform/print/cups_printer.hpp"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace tarnelo::pages {

std::string printLayout(const Layout& layout, QPrinter& printer) {
    if (layout.pages.empty()) {
        return layout.problem.empty() ? "没有可打印的页面。" : layout.problem;
    }
    const int count = static_cast<int>(layout.pages.size());
    int first = 1;
    int last = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(count, printer.toPage() > 0 ? printer.toPage() : count);
    }
    if (first > last) {
        return "所选页码不在 1 到 " + std::to_string(count) + " 之间，没有打印。";
    }
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    printer.setFullPage(true);
    printer.setPageLayout(pageLayoutOf(layout.pages[static_cast<std::size_t>(first - 1)]));
    QPainter painter;
    if (!painter.begin(&printer)) {
        return toFile ? "无法写入文件“" + printer.outputFileName().toStdString() +
                            "”，记载表没有打印。"
                      : "打印机“" + printer.printerName().toStdString() +
                            "”无法开始打印，记载表没有打印。";
    }
    const double unit = printer.resolution() / 72.0;
    for (int i = first; i <= last; ++i) {
        const Page& page = layout.pages[static_cast<std::size_t>(i - 1)];
        if (i > first) {
            printer.setPageLayout(pageLayoutOf(page));
            if (!printer.newPage()) {
                painter.end();
                return "打印机拒绝了第 " + std::to_string(i) + " 页，记载表没有打完。";
            }
        }
        paintPage(painter, page, unit);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        return "打印机“" + printer.printerName().toStdString() +
               "”拒绝了打印任务，记载表没有打印。";
    }
    return {};
}

std::string unchosenPrinter(const QPrinter& printer) {
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    return (toFile ? printer.outputFileName() : printer.printerName()).isEmpty() ? noPrinterText()
                                                                                 : std::string();
}

PrintJob printOn(const Layout& layout, const std::string& printerName, int copies) {
    PrintJob job;
    job.copies = copies;
    if (const std::string font = chineseFontProblem(); !font.empty()) {
        job.problem = font;
        return job;
    }
    // The print service is asked first through its own client under a time limit: Qt's calls
    // into it wait minutes on a service that takes the connection and never answers.
    if (const PrinterLookup service = findDefaultPrinter(); !service.problem.empty()) {
        job.problem = service.problem + "，记载表没有打印。请检查打印服务是否在运行。";
        return job;
    }
    const QPrinterInfo info = printerName.empty()
                                  ? QPrinterInfo::defaultPrinter()
                                  : QPrinterInfo::printerInfo(QString::fromStdString(printerName));
    if (info.isNull()) {
        job.problem =
            !printerName.empty() ? "没有名为“" + printerName + "”的打印机，记载表没有打印。"
            : QPrinterInfo::availablePrinterNames().isEmpty()
                ? noPrinterText()
                : "没有找到默认打印机，记载表没有打印。请先在系统中安装打印机并设为默认打印机。";
        return job;
    }
    if (std::string refusal = printerRefusal(info.printerName().toStdString()); !refusal.empty()) {
        job.problem = std::move(refusal);
        return job;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setCopyCount(copies);
    printer.setDocName(QStringLiteral("测深、测速记载及流量计算表"));
    job.printer = info.printerName().toStdString();
    job.problem = printLayout(layout, printer);
    job.pages = job.problem.empty() ? static_cast<int>(layout.pages.size()) : 0;
    return job;
}

namespace {

class RendererPrinter : public PagePrinter {
  public:
    RendererPrinter(std::string printerName, int copies, bool manyOk)
        : printerName_(std::move(printerName)), copies_(copies), manyOk_(manyOk) {}

    bool needsFile() const override { return false; }

    PagesPrinted print(const PageRequest& request) override {
        PagesPrinted printed;
        printed.copies = copies_;
        if (request.form == nullptr) {
            printed.error = "没有可打印的记载表";
            return printed;
        }
        const Layout layout = layoutWorkbook(*request.form, formPageCap(request.to >= 2));
        if (!layout.problem.empty()) {
            printed.error = layout.problem;
            return printed;
        }
        const std::string many = manySheets(static_cast<int>(layout.pages.size()), copies_);
        if (!many.empty() && !manyOk_) {
            printed.refused = true;
            printed.error = many + "，没有打印；确认无误请加 --pages-ok。";
            return printed;
        }
        const PrintJob job = printOn(layout, printerName_, copies_);
        printed.ok = job.problem.empty();
        printed.error = job.problem;
        printed.printer = job.printer;
        printed.pages = job.pages;
        return printed;
    }

  private:
    std::string printerName_;
    int copies_;
    bool manyOk_;
};

} // namespace

std::unique_ptr<PagePrinter> rendererPrinter(std::string printerName, int copies, bool manyOk) {
    return std::make_unique<RendererPrinter>(std::move(printerName), copies, manyOk);
}

} // namespace tarnelo::pages
