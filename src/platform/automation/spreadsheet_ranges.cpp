// Worksheet and Range: the cells of a sheet, read and written through ranges of them.
#include "platform/automation/spreadsheet_objects.hpp"

#include <cstdint>

namespace tarnelo::automation::spreadsheet {

namespace {

constexpr long long kMaxCellsPerWrite = 100000;

// Members that a real spreadsheet offers but this host cannot honour in a file it keeps.
bool isUnsupportedFormatting(std::string_view m) {
    for (std::string_view name :
         {"Font", "Borders", "Interior", "NumberFormat", "NumberFormatLocal", "WrapText",
          "HorizontalAlignment", "VerticalAlignment", "Orientation", "CurrentRegion", "AutoFit",
          "Style", "ColumnWidth", "RowHeight"}) {
        if (memberIs(m, name)) {
            return true;
        }
    }
    return false;
}

// ---- Range -----------------------------------------------------------------------------------

class RangeObject : public HostObject {
  public:
    RangeObject(std::shared_ptr<AppState> app, std::shared_ptr<Book> book, int sheetId, Area area,
                int mode)
        : HostObject(std::move(app)), book_(std::move(book)), sheetId_(sheetId), area_(area),
          mode_(mode) {}

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit || book_->closed) {
            return refuse("Range", m, "工作簿已关闭");
        }
        xlsx::Workbook& wb = *book_->workbook;
        const int sheet = wb.indexOfId(sheetId_);
        if (sheet < 0 || !wb.isWorksheet(sheet)) {
            return refuse("Range", m, "工作表已删除");
        }
        if (memberIs(m, "Value") || memberIs(m, "Value2")) {
            if (kind == CallKind::Put) {
                if (args.empty()) {
                    return refuse("Range", m, "缺少要写入的值");
                }
                return putValue(wb, sheet, m, args.back(), area_);
            }
            if (area_.rows() != 1 || area_.columns() != 1) {
                return refuse("Range", m, "只能读取单个单元格的值");
            }
            return Outcome::ok(valueOf(wb.cell(sheet, area_.top, area_.left)));
        }
        if (memberIs(m, "Text") && kind != CallKind::Put) {
            return Outcome::ok(displayText(valueOf(wb.cell(sheet, area_.top, area_.left))));
        }
        if (memberIs(m, "Formula")) {
            if (area_.rows() != 1 || area_.columns() != 1) {
                return refuse("Range", m, "只能读写单个单元格的公式");
            }
            if (kind == CallKind::Put) {
                if (args.empty()) {
                    return refuse("Range", m, "缺少要写入的值");
                }
                const Variant value = args.back();
                if (value.isText() && !value.text().empty() && value.text().front() == '=') {
                    std::string error;
                    if (!wb.setFormula(sheet, area_.top, area_.left, value.text().substr(1),
                                       error)) {
                        return refuse("Range", m, error);
                    }
                    return Outcome::ok();
                }
                return putValue(wb, sheet, m, value, area_);
            }
            if (auto f = wb.formula(sheet, area_.top, area_.left)) {
                return Outcome::ok("=" + *f);
            }
            return Outcome::ok(displayText(valueOf(wb.cell(sheet, area_.top, area_.left))));
        }
        if (memberIs(m, "Item") || (memberIs(m, "Cells") && !args.empty())) {
            if (kind == CallKind::Put && args.empty()) {
                return refuse("Range", m, "缺少参数");
            }
            const std::size_t indexCount = kind == CallKind::Put ? args.size() - 1 : args.size();
            auto target = itemArea(args.first(indexCount));
            if (!target) {
                return refuse("Range", m, "单元格位置超出范围");
            }
            if (kind == CallKind::Put) {
                return putValue(wb, sheet, m, args.back(), *target);
            }
            return Outcome::ok(makeRange(app_, book_, sheetId_, *target, kCells));
        }
        if (memberIs(m, "Cells") && kind != CallKind::Put) {
            return Outcome::ok(makeRange(app_, book_, sheetId_, area_, kCells));
        }
        if ((memberIs(m, "Rows") || memberIs(m, "Columns")) && kind != CallKind::Put) {
            return Outcome::ok(
                makeRange(app_, book_, sheetId_, area_, memberIs(m, "Rows") ? kRows : kColumns));
        }
        if (memberIs(m, "Count") && kind != CallKind::Put) {
            const long long count = mode_ == kRows ? area_.rows()
                                    : mode_ == kColumns
                                        ? area_.columns()
                                        : static_cast<long long>(area_.rows()) * area_.columns();
            if (count > 2147483647LL) {
                return refuse("Range", m, "数目超出整数范围");
            }
            return Outcome::ok(static_cast<std::int32_t>(count));
        }
        if (memberIs(m, "Row") && kind != CallKind::Put) {
            return Outcome::ok(area_.top);
        }
        if (memberIs(m, "Column") && kind != CallKind::Put) {
            return Outcome::ok(area_.left);
        }
        if (memberIs(m, "Address") && kind != CallKind::Put) {
            std::string address =
                "$" + xlsx::columnName(area_.left) + "$" + std::to_string(area_.top);
            if (area_.rows() > 1 || area_.columns() > 1) {
                address +=
                    ":$" + xlsx::columnName(area_.right) + "$" + std::to_string(area_.bottom);
            }
            return Outcome::ok(address);
        }
        if (memberIs(m, "Merge") && kind == CallKind::Method) {
            std::string error;
            if (!wb.merge(sheet, area_, error)) {
                return refuse("Range", m, error);
            }
            return Outcome::ok();
        }
        if ((memberIs(m, "Select") || memberIs(m, "Activate")) && kind != CallKind::Put) {
            std::string error;
            if (wb.activeSheet() != sheet && !wb.activateSheet(sheet, error)) {
                return refuse("Range", m, error);
            }
            app_->active = book_;
            app_->selection = Selection{book_, sheetId_, area_};
            return Outcome::ok(true);
        }
        if (memberIs(m, "ClearContents") && kind == CallKind::Method) {
            return putValue(wb, sheet, m, Variant(), area_);
        }
        if (isUnsupportedFormatting(m)) {
            return refuse("Range", m, "表格程序不支持设置单元格格式");
        }
        if (isClipboardOrStructure(m)) {
            return refuse("Range", m, "表格程序不支持复制、粘贴、剪切、插入或删除单元格");
        }
        return unknown("Range", m);
    }

  private:
    static Variant valueOf(const xlsx::CellValue& cell) {
        switch (cell.kind) {
        case xlsx::CellKind::Text:
        case xlsx::CellKind::Error:
            return cell.text;
        case xlsx::CellKind::Number:
            return cell.number;
        case xlsx::CellKind::Boolean:
            return cell.number != 0;
        case xlsx::CellKind::Empty:
            break;
        }
        return {};
    }

    // Item(row, column) counts from the range's top-left cell; Item(n) runs along the rows.
    std::optional<Area> itemArea(Args index) const {
        long long row = 0;
        long long column = 0;
        if (index.size() == 2 && index[0].isNumber() && index[1].isNumber()) {
            row = area_.top + static_cast<long long>(index[0].integer()) - 1;
            column = area_.left + static_cast<long long>(index[1].integer()) - 1;
        } else if (index.size() == 1 && index[0].isNumber()) {
            const long long n = static_cast<long long>(index[0].integer()) - 1;
            if (n < 0) {
                return std::nullopt;
            }
            row = area_.top + n / area_.columns();
            column = area_.left + n % area_.columns();
        } else {
            return std::nullopt;
        }
        if (row < 1 || row > xlsx::kMaxRow || column < 1 || column > xlsx::kMaxColumn) {
            return std::nullopt;
        }
        const int r = static_cast<int>(row);
        const int c = static_cast<int>(column);
        return Area{r, c, r, c};
    }

    Outcome putValue(xlsx::Workbook& wb, int sheet, std::string_view m, const Variant& value,
                     Area target) {
        if (value.isObject() || value.isOmitted()) {
            return refuse("Range", m, "不能把对象写入单元格");
        }
        if (static_cast<long long>(target.rows()) * target.columns() > kMaxCellsPerWrite) {
            return refuse("Range", m, "区域太大");
        }
        std::string error;
        for (int r = target.top; r <= target.bottom; ++r) {
            for (int c = target.left; c <= target.right; ++c) {
                bool ok = true;
                if (value.isText() || value.isEmpty()) {
                    ok = wb.setText(sheet, r, c, value.text(), error);
                } else if (value.isBool()) {
                    ok = wb.setBoolean(sheet, r, c, value.integer() != 0, error);
                } else {
                    ok = wb.setNumber(sheet, r, c, value.real(), error);
                }
                if (!ok) {
                    return refuse("Range", m, error);
                }
            }
        }
        return Outcome::ok();
    }

    std::shared_ptr<Book> book_;
    int sheetId_;
    Area area_;
    int mode_;
};

// ---- Worksheet -------------------------------------------------------------------------------

const Area kWholeSheet{1, 1, xlsx::kMaxRow, xlsx::kMaxColumn};

class WorksheetObject : public HostObject {
  public:
    WorksheetObject(std::shared_ptr<AppState> app, std::shared_ptr<Book> book, int sheetId)
        : HostObject(std::move(app)), book_(std::move(book)), sheetId_(sheetId) {}

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit || book_->closed) {
            return refuse("Worksheet", m, "工作簿已关闭");
        }
        xlsx::Workbook& wb = *book_->workbook;
        const int sheet = wb.indexOfId(sheetId_);
        if (sheet < 0) {
            return refuse("Worksheet", m, "工作表已删除");
        }
        if (memberIs(m, "Name")) {
            if (kind != CallKind::Put) {
                return Outcome::ok(wb.sheetName(sheet));
            }
            std::string error;
            if (args.empty() || !args.back().isText() ||
                !wb.renameSheet(sheet, args.back().text(), error)) {
                return refuse("Worksheet", m, error.empty() ? "需要文本" : error);
            }
            return Outcome::ok();
        }
        if (memberIs(m, "Index") && kind != CallKind::Put) {
            return Outcome::ok(sheet + 1);
        }
        if (memberIs(m, "Visible") && kind != CallKind::Put) {
            return Outcome::ok(true);
        }
        if ((memberIs(m, "Activate") || memberIs(m, "Select")) && kind != CallKind::Put) {
            std::string error;
            if (!wb.activateSheet(sheet, error)) {
                return refuse("Worksheet", m, error);
            }
            app_->active = book_;
            return Outcome::ok();
        }
        if (memberIs(m, "Delete") && kind == CallKind::Method) {
            std::string error;
            if (!wb.deleteSheet(sheet, error)) {
                return refuse("Worksheet", m, error);
            }
            return Outcome::ok(true);
        }
        if (!wb.isWorksheet(sheet)) {
            return refuse("Worksheet", m, "这是图表工作表，没有单元格");
        }
        if (memberIs(m, "Cells") && kind != CallKind::Put) {
            Dispatch cells = makeRange(app_, book_, sheetId_, kWholeSheet, kCells);
            if (args.empty()) {
                return Outcome::ok(cells);
            }
            return forward(cells, "Item", args);
        }
        if ((memberIs(m, "Rows") || memberIs(m, "Columns")) && kind != CallKind::Put &&
            args.empty()) {
            return Outcome::ok(makeRange(app_, book_, sheetId_, kWholeSheet,
                                         memberIs(m, "Rows") ? kRows : kColumns));
        }
        if (memberIs(m, "Range") && kind != CallKind::Put) {
            const Variant address = arg(args, 0);
            const auto area = xlsx::parseArea(address.text());
            if (!area) {
                return refuse("Worksheet", m, "区域地址无效：" + address.text());
            }
            return Outcome::ok(makeRange(app_, book_, sheetId_, *area, kCells));
        }
        if (memberIs(m, "UsedRange") && kind != CallKind::Put) {
            return Outcome::ok(makeRange(app_, book_, sheetId_, wb.usedRange(sheet), kCells));
        }
        if (memberIs(m, "PageSetup") && kind != CallKind::Put) {
            return Outcome::ok(makePageSetup(app_, book_, sheetId_));
        }
        if (isPrinting(m)) {
            return refuse("Worksheet", m, "表格程序不能打印");
        }
        if (isClipboardOrStructure(m)) {
            return refuse("Worksheet", m, "表格程序不支持复制、粘贴、剪切、插入或删除单元格");
        }
        return unknown("Worksheet", m);
    }

  private:
    static Outcome forward(const Dispatch& target, std::string_view member, Args args) {
        Outcome out = target.object()->invoke(member, CallKind::Get, args);
        return out;
    }

    std::shared_ptr<Book> book_;
    int sheetId_;
};

} // namespace

Dispatch makeRange(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId, Area area, int mode) {
    return Dispatch(std::make_shared<RangeObject>(app, book, sheetId, area, mode));
}

Dispatch makeSheet(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId) {
    return Dispatch(std::make_shared<WorksheetObject>(app, book, sheetId));
}

} // namespace tarnelo::automation::spreadsheet
