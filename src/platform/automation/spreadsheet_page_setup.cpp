// PageSetup of a worksheet: header and footer sections, margins in points, paper size and
// orientation.
#include "platform/automation/spreadsheet_objects.hpp"

#include <cmath>
#include <utility>

namespace tarnelo::automation::spreadsheet {

namespace {

class PageSetupObject : public HostObject {
  public:
    PageSetupObject(std::shared_ptr<AppState> app, std::shared_ptr<Book> book, int sheetId)
        : HostObject(std::move(app)), book_(std::move(book)), sheetId_(sheetId) {}

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit || book_->closed) {
            return refuse("PageSetup", m, "工作簿已关闭");
        }
        xlsx::Workbook& wb = *book_->workbook;
        const int sheet = wb.indexOfId(sheetId_);
        if (sheet < 0 || !wb.isWorksheet(sheet)) {
            return refuse("PageSetup", m, "工作表已删除");
        }
        static constexpr std::string_view kSections[] = {"LeftHeader",   "CenterHeader",
                                                         "RightHeader",  "LeftFooter",
                                                         "CenterFooter", "RightFooter"};
        for (int i = 0; i < 6; ++i) {
            if (!memberIs(m, kSections[i])) {
                continue;
            }
            const bool footer = i >= 3;
            if (kind != CallKind::Put) {
                return Outcome::ok(wb.headerFooter(sheet, footer, i % 3));
            }
            const Variant value = arg(args, args.empty() ? 0 : args.size() - 1);
            if (!value.isText() && !value.isEmpty()) {
                return refuse("PageSetup", m, "需要文本");
            }
            wb.setHeaderFooter(sheet, footer, i % 3, value.text());
            return Outcome::ok();
        }
        static constexpr std::pair<std::string_view, xlsx::Margin> kMargins[] = {
            {"LeftMargin", xlsx::Margin::Left},     {"RightMargin", xlsx::Margin::Right},
            {"TopMargin", xlsx::Margin::Top},       {"BottomMargin", xlsx::Margin::Bottom},
            {"HeaderMargin", xlsx::Margin::Header}, {"FooterMargin", xlsx::Margin::Footer}};
        for (const auto& [name, which] : kMargins) {
            if (!memberIs(m, name)) {
                continue;
            }
            if (kind != CallKind::Put) {
                return Outcome::ok(wb.margin(sheet, which) * 72.0);
            }
            const Variant value = arg(args, args.empty() ? 0 : args.size() - 1);
            const double points = value.real();
            if (!value.isNumber() || !std::isfinite(points) || points < 0 || points > 7200) {
                return refuse("PageSetup", m, "页边距无效");
            }
            wb.setMargin(sheet, which, points / 72.0);
            return Outcome::ok();
        }
        if (memberIs(m, "PaperSize") || memberIs(m, "Orientation")) {
            const bool paper = memberIs(m, "PaperSize");
            if (kind != CallKind::Put) {
                return Outcome::ok(paper ? wb.paperSize(sheet) : (wb.landscape(sheet) ? 2 : 1));
            }
            const Variant value = arg(args, args.empty() ? 0 : args.size() - 1);
            const int n = value.integer();
            if (!value.isNumber() || n < 1 || (!paper && n > 2) || n > 118) {
                return refuse("PageSetup", m, "取值无效");
            }
            paper ? wb.setPaperSize(sheet, n) : wb.setLandscape(sheet, n == 2);
            return Outcome::ok();
        }
        return unknown("PageSetup", m);
    }

  private:
    std::shared_ptr<Book> book_;
    int sheetId_;
};

} // namespace

Dispatch makePageSetup(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                       int sheetId) {
    return Dispatch(std::make_shared<PageSetupObject>(app, book, sheetId));
}

} // namespace tarnelo::automation::spreadsheet
