// The application, its collection of workbooks, each workbook and its collection of sheets.
#include "platform/automation/spreadsheet_host.hpp"

#include "platform/automation/spreadsheet_objects.hpp"
#include "window/program_paths.hpp"

#include <cstdint>
#include <string>

namespace tarnelo::automation {

namespace spreadsheet {

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

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

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
                return Outcome::ok(book_->path.empty() ? book_->name : paths::toUtf8(book_->path));
            }
            if (memberIs(m, "Path")) {
                return Outcome::ok(paths::toUtf8(book_->path.parent_path()));
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
                const std::filesystem::path path =
                    std::filesystem::absolute(paths::fromUtf8(target.text()));
                for (const auto& other : app_->books) {
                    if (other != book_ && !other->path.empty() && other->path == path) {
                        return refuse("Workbook", m,
                                      "同名的工作簿已经打开：" + paths::toUtf8(path));
                    }
                }
                std::string error;
                if (!saveBook(*book_, path, error)) {
                    return refuse("Workbook", m, error);
                }
                book_->path = path;
                book_->name = paths::toUtf8(path.filename());
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
            return open(m, std::filesystem::absolute(paths::fromUtf8(path.text())));
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
                book->name = paths::fromUtf8(templatePath.text()).stem().string() + "1";
            } else if (!templatePath.isEmpty()) {
                return refuse("Workbooks", m, "模板参数无效");
            } else {
                book->workbook = xlsx::Workbook::blank();
                book->name = "Book" + std::to_string(++app_->untitled);
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
        book->name = paths::toUtf8(path.filename());
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

} // namespace

Dispatch makeBook(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book) {
    return Dispatch(std::make_shared<WorkbookObject>(app, book));
}

Dispatch makeSheets(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book) {
    return Dispatch(std::make_shared<SheetsObject>(app, book));
}

} // namespace spreadsheet

Dispatch makeSpreadsheetApplication() {
    return Dispatch(std::make_shared<spreadsheet::ApplicationObject>());
}

} // namespace tarnelo::automation
