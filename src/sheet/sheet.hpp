// The measurement sheet 高级表格1: 17 text columns, one row per vertical or water edge.
#pragma once

#include "gauging/columns.hpp"
#include "gauging/gauging.hpp"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// Told about every change, so that a grid on screen can follow the sheet.
class SheetObserver {
  public:
    virtual ~SheetObserver() = default;
    virtual void cellChanged(int row, int column) = 0;
    // Many cells changed at once (a column cleared, the row count changed).
    virtual void sheetReset() = 0;
    // Widths or read-only marks changed.
    virtual void layoutChanged() = 0;
    // count rows were inserted before row `at`, or removed from row `at` on; the sheet already
    // holds the new rows. An observer that does not track rows starts over.
    virtual void rowsInserted(int at, int count) {
        static_cast<void>(at);
        static_cast<void>(count);
        sheetReset();
    }
    virtual void rowsRemoved(int at, int count) {
        static_cast<void>(at);
        static_cast<void>(count);
        sheetReset();
    }
};

class Sheet {
  public:
    static constexpr int kColumns = kRecordColumns;
    static constexpr int kInitialRows = 20;
    static constexpr int kDefaultRowHeight = 24;
    using Row = RowTexts;

    explicit Sheet(int rows = kInitialRows);

    int rowCount() const { return static_cast<int>(cells_.size()); }
    // Text of a cell; a position outside the sheet reads as the empty text.
    const std::string& cell(int row, int column) const;
    // Writes a cell; a position outside the sheet is ignored.
    void setCell(int row, int column, std::string_view text);
    // Empties columns first..last in every row.
    void clearColumns(int first, int last);
    void clearColumns(ColumnRange range) { clearColumns(range.first, range.last); }
    // Marks columns first..last read-only (or editable); rows appended later take the marks too.
    void setColumnsReadOnly(int first, int last, bool readOnly);
    void setColumnsReadOnly(ColumnRange range, bool readOnly) {
        setColumnsReadOnly(range.first, range.last, readOnly);
    }
    bool isReadOnly(int column) const;
    void setColumnWidth(int column, int pixels);
    int columnWidth(int column) const;
    int currentRow() const { return currentRow_; }
    void setCurrentRow(int row);
    void appendRow();
    // Grows the sheet to at least n rows; never shrinks it.
    void growTo(int rows);
    // Inserts a row with the given cells (empty by default) before row `at`, 0 to rowCount();
    // other positions are ignored. Read-only marks belong to columns, so the row takes them.
    void insertRow(int at, const Row& cells = Row{});
    // Removes row `at`. The sheet never gets fewer than kInitialRows rows: when it would, an
    // empty row is appended at the end, and the result is true.
    bool removeRow(int at);
    // The cells of a row; a row outside the sheet reads as empty.
    const Row& row(int at) const;

    void setObserver(SheetObserver* observer) { observer_ = observer; }

    // Heading of a column as the user sees it ("起点距", "N", "岸边/部分", ...).
    static std::string_view heading(int column) { return columnHeading(column); }

  private:
    bool inside(int row, int column) const {
        return row >= 0 && row < rowCount() && column >= 0 && column < kColumns;
    }

    std::vector<std::array<std::string, kColumns>> cells_;
    std::array<bool, kColumns> readOnly_{};
    std::array<int, kColumns> widths_{};
    int currentRow_ = 0;
    SheetObserver* observer_ = nullptr;
};

// Widths and read-only columns for an entry mode: the columns it types are editable, the ones the
// computation writes are not. Unknown leaves the marks as they are.
void layoutSheet(Sheet& sheet, EntryMode mode);

} // namespace tarnelo
