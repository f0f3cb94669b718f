#include "pages/page_printer.hpp"

namespace tarnelo::pages {

namespace {

constexpr const char* kAbsent = "本程序构建时没有带 Qt 打印组件，无法自行打印；请用 --renderer "
                                "libreoffice 或 spreadsheet。";

} // namespace

std::string printLayout(const Layout&, QPrinter&) {
    return kAbsent;
}

std::string unchosenPrinter(const QPrinter&) {
    return kAbsent;
}

PrintJob printOn(const Layout&, const std::string&, int copies) {
    PrintJob job;
    job.copies = copies;
    job.problem = kAbsent;
    return job;
}

namespace {

class AbsentPrinter : public PagePrinter {
  public:
    bool needsFile() const override { return false; }
    PagesPrinted print(const PageRequest&) override {
        PagesPrinted printed;
        printed.error = kAbsent;
        return printed;
    }
};

} // namespace

std::unique_ptr<PagePrinter> rendererPrinter(std::string, int, bool) {
    return std::make_unique<AbsentPrinter>();
}

} // namespace tarnelo::pages
