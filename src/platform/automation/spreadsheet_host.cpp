#include "platform/automation/spreadsheet_host.hpp"

#include "compute/numtext.hpp"
#include "platform/workbook/workbook.hpp"

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace tarnelo::automation {

namespace {

using xlsx::Area;

constexpr long long kMaxCellsPerWrite = 100000;

struct Book {
    std::unique_ptr<xlsx::Workbook> workbook;
    std::filesystem::path path; // empty for a workbook that was never saved
    std::string name;
    bool closed = false;
};

struct Selection {
    std::weak_ptr<Book> book;
    int sheetId = 0;
    Area area;
};

struct AppState {
    bool quit = false;
    bool visible = false;
    bool screenUpdating = true;
    bool displayAlerts = true;
    int untitled = 0;
    std::vector<std::shared_ptr<Book>> books; // in the order they were opened
    std::shared_ptr<Book> active;
    std::optional<Selection> selection;

    void closeBook(const std::shared_ptr<Book>& book) {
        book->closed = true;
        book->workbook.reset();
        std::erase(books, book);
        if (active == book) {
            active = books.empty() ? nullptr : books.back();
        }
    }
};

using Args = std::span<const Variant>;

// Argument i, or an empty variant when it is missing or omitted.
Variant arg(Args args, std::size_t i) {
    return i < args.size() && !args[i].isOmitted() ? args[i] : Variant();
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

Outcome refuse(std::string_view object, std::string_view member, std::string_view why) {
    return Outcome::fail(std::string(object) + "." + std::string(member) + "：" + std::string(why));
}

Outcome unknown(std::string_view object, std::string_view member) {
    return refuse(object, member, "表格程序不支持这个成员");
}

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

bool isClipboardOrStructure(std::string_view m) {
    for (std::string_view name : {"Copy", "Cut", "PasteSpecial", "Paste", "Insert", "Delete",
                                  "EntireRow", "EntireColumn", "UnMerge"}) {
        if (memberIs(m, name)) {
            return true;
        }
    }
    return false;
}

bool isPrinting(std::string_view m) {
    return memberIs(m, "PrintOut") || memberIs(m, "PrintPreview");
}

class HostObject : public Object {
  public:
    explicit HostObject(std::shared_ptr<AppState> app) : app_(std::move(app)) {}

  protected:
    std::shared_ptr<AppState> app_;
};

class RangeObject;
class WorksheetObject;
Dispatch makeRange(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId, Area area, int mode);
Dispatch makeSheet(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId);
Dispatch makeBook(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book);
Dispatch makeSheets(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book);

// Which sheet of a workbook an index argument names: a number from 1, or a sheet name.
int sheetIndexOf(const xlsx::Workbook& wb, const Variant& which) {
    if (which.isText()) {
        for (int i = 0; i < wb.sheetCount(); ++i) {
            if (lower(wb.sheetName(i)) == lower(which.text())) {
                return i;
            }
        }
        return -1;
    }
    if (!which.isInteger() && !which.isReal()) {
        return -1;
    }
    const int index = which.integer() - 1;
    return index >= 0 && index < wb.sheetCount() ? index : -1;
}

// ---- Page setup ------------------------------------------------------------------------------

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

// ---- Range -----------------------------------------------------------------------------------

enum RangeMode { kCells = 0, kRows = 1, kColumns = 2 };

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
                "$" + xlsx::columnName(area_.left) + "$" + num::plainText(area_.top);
            if (area_.rows() > 1 || area_.columns() > 1) {
                address +=
                    ":$" + xlsx::columnName(area_.right) + "$" + num::plainText(area_.bottom);
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
            return Outcome::ok(Dispatch(std::make_shared<PageSetupObject>(app_, book_, sheetId_)));
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

// ---- Sheets, workbook, workbooks -------------------------------------------------------------

class SheetsObject : public HostObject {
  public:
    SheetsObject(std::shared_ptr<AppState> app, std::shared_ptr<Book> book)
        : HostObject(std::move(app)), book_(std::move(book)) {}

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit || book_->closed) {
            return refuse("Sheets", m, "工作簿已关闭");
        }
        const xlsx::Workbook& wb = *book_->workbook;
        if (memberIs(m, "Count") && kind != CallKind::Put) {
            return Outcome::ok(wb.sheetCount());
        }
        if (memberIs(m, "Item") && kind != CallKind::Put) {
            const int index = sheetIndexOf(wb, arg(args, 0));
            if (index < 0) {
                return refuse("Sheets", m, "没有这个工作表：" + displayText(arg(args, 0)));
            }
            return Outcome::ok(makeSheet(app_, book_, wb.sheetId(index)));
        }
        if (isPrinting(m)) {
            return refuse("Sheets", m, "表格程序不能打印");
        }
        return unknown("Sheets", m);
    }

  private:
    std::shared_ptr<Book> book_;
};

bool saveBook(Book& book, const std::filesystem::path& path, std::string& error) {
    return book.workbook->save(path, error);
}

class WorkbookObject : public HostObject {
  public:
    WorkbookObject(std::shared_ptr<AppState> app, std::shared_ptr<Book> book)
        : HostObject(std::move(app)), book_(std::move(book)) {}

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit || book_->closed) {
            return refuse("Workbook", m, "工作簿已关闭");
        }
        xlsx::Workbook& wb = *book_->workbook;
        if (kind != CallKind::Put) {
            if (memberIs(m, "Name")) {
                return Outcome::ok(book_->name);
            }
            if (memberIs(m, "FullName")) {
                return Outcome::ok(book_->path.empty() ? book_->name : book_->path.string());
            }
            if (memberIs(m, "Path")) {
                return Outcome::ok(book_->path.parent_path().string());
            }
            if (memberIs(m, "Saved")) {
                return Outcome::ok(!wb.modified());
            }
            if (memberIs(m, "Sheets") || memberIs(m, "Worksheets")) {
                return Outcome::ok(makeSheets(app_, book_));
            }
            if (memberIs(m, "ActiveSheet")) {
                return Outcome::ok(makeSheet(app_, book_, wb.sheetId(wb.activeSheet())));
            }
            if (memberIs(m, "Activate")) {
                app_->active = book_;
                return Outcome::ok();
            }
            if (memberIs(m, "Save")) {
                if (book_->path.empty()) {
                    return refuse("Workbook", m, "工作簿还没有文件名，请用 SaveAs 保存");
                }
                std::string error;
                if (!saveBook(*book_, book_->path, error)) {
                    return refuse("Workbook", m, error);
                }
                return Outcome::ok();
            }
            if (memberIs(m, "SaveAs")) {
                const Variant target = arg(args, 0);
                if (!target.isText() || target.text().empty()) {
                    return refuse("Workbook", m, "需要文件名");
                }
                const std::filesystem::path path = std::filesystem::absolute(target.text());
                for (const auto& other : app_->books) {
                    if (other != book_ && !other->path.empty() && other->path == path) {
                        return refuse("Workbook", m, "同名的工作簿已经打开：" + path.string());
                    }
                }
                std::string error;
                if (!saveBook(*book_, path, error)) {
                    return refuse("Workbook", m, error);
                }
                book_->path = path;
                book_->name = path.filename().string();
                return Outcome::ok();
            }
            if (memberIs(m, "Close")) {
                const Variant saveChanges = arg(args, 0);
                if (saveChanges.isNumber() && saveChanges.integer() != 0) {
                    std::string error;
                    if (book_->path.empty() || !saveBook(*book_, book_->path, error)) {
                        return refuse("Workbook", m, error.empty() ? "工作簿还没有文件名" : error);
                    }
                }
                app_->closeBook(book_);
                return Outcome::ok();
            }
            if (isPrinting(m)) {
                return refuse("Workbook", m, "表格程序不能打印");
            }
            if (memberIs(m, "RunAutoMacros") || memberIs(m, "Run")) {
                return refuse("Workbook", m, "表格程序不支持宏");
            }
        }
        return unknown("Workbook", m);
    }

  private:
    std::shared_ptr<Book> book_;
};

class WorkbooksObject : public HostObject {
  public:
    explicit WorkbooksObject(std::shared_ptr<AppState> app) : HostObject(std::move(app)) {}

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit) {
            return refuse("Workbooks", m, "表格程序已退出");
        }
        if (kind == CallKind::Put) {
            return unknown("Workbooks", m);
        }
        if (memberIs(m, "Count")) {
            return Outcome::ok(static_cast<std::int32_t>(app_->books.size()));
        }
        if (memberIs(m, "Item")) {
            const Variant which = arg(args, 0);
            for (std::size_t i = 0; i < app_->books.size(); ++i) {
                const auto& book = app_->books[i];
                if ((which.isText() && lower(book->name) == lower(which.text())) ||
                    (which.isNumber() && !which.isBool() &&
                     which.integer() == static_cast<int>(i) + 1)) {
                    return Outcome::ok(makeBook(app_, book));
                }
            }
            return refuse("Workbooks", m, "没有这个工作簿：" + displayText(which));
        }
        if (memberIs(m, "Open") || memberIs(m, "OpenXML")) {
            const Variant path = arg(args, 0);
            if (!path.isText() || path.text().empty()) {
                return refuse("Workbooks", m, "需要文件名");
            }
            return open(m, std::filesystem::absolute(path.text()));
        }
        if (memberIs(m, "Add")) {
            const Variant templatePath = arg(args, 0);
            auto book = std::make_shared<Book>();
            if (templatePath.isText() && !templatePath.text().empty()) {
                std::string error;
                book->workbook = xlsx::Workbook::open(templatePath.text(), error);
                if (!book->workbook) {
                    return refuse("Workbooks", m, error);
                }
                book->name = std::filesystem::path(templatePath.text()).stem().string() + "1";
            } else if (!templatePath.isEmpty()) {
                return refuse("Workbooks", m, "模板参数无效");
            } else {
                book->workbook = xlsx::Workbook::blank();
                book->name = "Book" + num::plainText(++app_->untitled);
            }
            app_->books.push_back(book);
            app_->active = book;
            return Outcome::ok(makeBook(app_, book));
        }
        if (memberIs(m, "Close")) {
            while (!app_->books.empty()) {
                app_->closeBook(app_->books.back());
            }
            app_->selection.reset();
            return Outcome::ok();
        }
        return unknown("Workbooks", m);
    }

  private:
    Outcome open(std::string_view m, const std::filesystem::path& path) {
        for (const auto& book : app_->books) {
            if (book->path == path) {
                app_->active = book;
                return Outcome::ok(makeBook(app_, book));
            }
        }
        auto book = std::make_shared<Book>();
        std::string error;
        book->workbook = xlsx::Workbook::open(path, error);
        if (!book->workbook) {
            return refuse("Workbooks", m, error);
        }
        book->path = path;
        book->name = path.filename().string();
        app_->books.push_back(book);
        app_->active = book;
        return Outcome::ok(makeBook(app_, book));
    }
};

// ---- Application -----------------------------------------------------------------------------

class ApplicationObject : public HostObject {
  public:
    ApplicationObject() : HostObject(std::make_shared<AppState>()) {}
    ~ApplicationObject() override {
        // Releasing the last handle ends the instance; unsaved workbooks go with it.
        quit();
    }

    bool alive() const override { return !app_->quit; }

    Outcome invoke(std::string_view m, CallKind kind, Args args) override {
        if (app_->quit) {
            return refuse("Application", m, "表格程序已退出");
        }
        for (auto [name, flag] : {std::pair<std::string_view, bool*>{"Visible", &app_->visible},
                                  {"ScreenUpdating", &app_->screenUpdating},
                                  {"DisplayAlerts", &app_->displayAlerts}}) {
            if (!memberIs(m, name)) {
                continue;
            }
            if (kind == CallKind::Put) {
                if (args.empty() || !args.back().isNumber()) {
                    return refuse("Application", m, "需要布尔值");
                }
                // Accepted; the host has no screen to show or to refresh.
                *flag = args.back().integer() != 0;
                return Outcome::ok();
            }
            return Outcome::ok(*flag);
        }
        if (kind == CallKind::Put) {
            return unknown("Application", m);
        }
        if (memberIs(m, "Workbooks")) {
            return Outcome::ok(Dispatch(std::make_shared<WorkbooksObject>(app_)));
        }
        if (memberIs(m, "Name")) {
            return Outcome::ok("Tarnelo 表格");
        }
        if (memberIs(m, "Quit")) {
            quit();
            return Outcome::ok();
        }
        if (memberIs(m, "Run")) {
            return refuse("Application", m, "表格程序不支持宏");
        }
        if (memberIs(m, "Selection")) {
            if (app_->selection) {
                auto book = app_->selection->book.lock();
                if (book && !book->closed &&
                    book->workbook->indexOfId(app_->selection->sheetId) >= 0) {
                    return Outcome::ok(makeRange(app_, book, app_->selection->sheetId,
                                                 app_->selection->area, kCells));
                }
            }
            return refuse("Application", m, "没有选定的区域");
        }
        if (!app_->active) {
            return refuse("Application", m, "没有打开的工作簿");
        }
        const auto& book = app_->active;
        xlsx::Workbook& wb = *book->workbook;
        if (memberIs(m, "ActiveWorkbook")) {
            return Outcome::ok(makeBook(app_, book));
        }
        if (memberIs(m, "Sheets") || memberIs(m, "Worksheets")) {
            return Outcome::ok(makeSheets(app_, book));
        }
        const int sheetId = wb.sheetId(wb.activeSheet());
        if (memberIs(m, "ActiveSheet")) {
            return Outcome::ok(makeSheet(app_, book, sheetId));
        }
        if (memberIs(m, "Range") || memberIs(m, "Cells")) {
            // The active sheet answers these.
            Dispatch sheet = makeSheet(app_, book, sheetId);
            return sheet.object()->invoke(m, kind, args);
        }
        if (isClipboardOrStructure(m)) {
            return refuse("Application", m, "表格程序不支持复制、粘贴、剪切、插入或删除单元格");
        }
        return unknown("Application", m);
    }

  private:
    void quit() {
        while (!app_->books.empty()) {
            app_->closeBook(app_->books.back());
        }
        app_->selection.reset();
        app_->quit = true;
    }
};

Dispatch makeRange(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId, Area area, int mode) {
    return Dispatch(std::make_shared<RangeObject>(app, book, sheetId, area, mode));
}

Dispatch makeSheet(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId) {
    return Dispatch(std::make_shared<WorksheetObject>(app, book, sheetId));
}

Dispatch makeBook(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book) {
    return Dispatch(std::make_shared<WorkbookObject>(app, book));
}

Dispatch makeSheets(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book) {
    return Dispatch(std::make_shared<SheetsObject>(app, book));
}

} // namespace

Dispatch makeSpreadsheetApplication() {
    return Dispatch(std::make_shared<ApplicationObject>());
}

} // namespace tarnelo::automation
