// The objects of the built-in spreadsheet application (spreadsheet_host.hpp) and what they
// share: the state of one application instance and its open workbooks, argument and refusal
// helpers, and the factories through which one object hands out another.
#pragma once

#include "platform/automation/dispatch.hpp"
#include "platform/workbook/workbook.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo::automation::spreadsheet {

using xlsx::Area;

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
inline Variant arg(Args args, std::size_t i) {
    return i < args.size() && !args[i].isOmitted() ? args[i] : Variant();
}

inline Outcome refuse(std::string_view object, std::string_view member, std::string_view why) {
    return Outcome::fail(std::string(object) + "." + std::string(member) + "：" + std::string(why));
}

inline Outcome unknown(std::string_view object, std::string_view member) {
    return refuse(object, member, "表格程序不支持这个成员");
}

// Clipboard and structural edits, which the host refuses wherever they are asked for.
bool isClipboardOrStructure(std::string_view m);
bool isPrinting(std::string_view m);

class HostObject : public Object {
  public:
    explicit HostObject(std::shared_ptr<AppState> app) : app_(std::move(app)) {}

  protected:
    std::shared_ptr<AppState> app_;
};

// How a range counts its items (Count): cells, rows or columns.
enum RangeMode { kCells = 0, kRows = 1, kColumns = 2 };

Dispatch makeRange(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId, Area area, int mode);
Dispatch makeSheet(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                   int sheetId);
Dispatch makePageSetup(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book,
                       int sheetId);
Dispatch makeBook(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book);
Dispatch makeSheets(const std::shared_ptr<AppState>& app, const std::shared_ptr<Book>& book);

} // namespace tarnelo::automation::spreadsheet
