// The pages on Linux: LibreOffice renders the workbook to PDF in a scratch folder, and the
// pages go to a CUPS printer, or to a file through the atomic writer.
#include "files/file_io.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/page_printer.hpp"
#include "platform/print/pdf_render.hpp"
#include "platform/system/scratch.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

namespace fs = std::filesystem;

class RenderedPagePrinter : public PagePrinter {
  public:
    explicit RenderedPagePrinter(fs::path renderer) : renderer_(std::move(renderer)) {}

    bool needsFile() const override { return true; }

    PagesPrinted print(const PageRequest& request) override {
        PagesPrinted result;
        sys::removeStaleScratchFolders("tarnelo-print");
        const sys::ScratchFolder folder("tarnelo-print");
        if (!folder.valid()) {
            result.error = "无法建立临时文件夹";
            return result;
        }
        const fs::path pdf = folder.path() / "记载表.pdf";
        const RenderResult rendered =
            renderToPdf(renderer_, request.workbook, pdf, request.keepWaiting);
        if (!rendered.ok) {
            result.error = rendered.error;
            return result;
        }
        if (request.file) {
            const auto pages = readFileBytes(pdf, std::size_t(256) << 20);
            const WriteResult written =
                pages ? writeFileAtomic(*request.file, *pages) : WriteResult{false, {}, false};
            if (!written) {
                result.error = "无法写入 " + escapedName(*request.file) + "：" + written.problem;
                return result;
            }
            result.ok = true;
            return result;
        }
        PrintServiceLimits limits;
        limits.keepWaiting = request.keepWaiting;
        result.printer =
            request.printer.empty() ? findDefaultPrinter(limits).name : request.printer;
        if (result.printer.empty()) {
            result.error = "没有默认打印机";
            return result;
        }
        const PrintJobResult job = printPdfPages(result.printer, pdf, request.from, request.to,
                                                 "测深、测速记载及流量计算表", limits);
        if (!job.ok) {
            result.error = job.error;
            return result;
        }
        result.ok = true;
        result.job = job.job;
        result.pages =
            std::max(std::min(request.to, pdfPageCount(pdf)) - std::max(request.from, 1) + 1, 0);
        return result;
    }

  private:
    fs::path renderer_;
};

} // namespace

std::unique_ptr<PagePrinter> findPagePrinter() {
    const auto renderer = findRenderer();
    if (!renderer) {
        return nullptr;
    }
    return std::make_unique<RenderedPagePrinter>(*renderer);
}

std::string printingUnavailable() {
    return {};
}

} // namespace tarnelo
