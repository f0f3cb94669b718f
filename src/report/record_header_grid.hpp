// The record-header dialog's grid "制表数据": 15 rows by 8 columns of labels and value cells,
// three full-width separator rows, two merged value cells in the last row, read-only labels.
// The Qt dialog shows this grid; how a record header goes into it and out of it is here.
#pragma once

#include "files/record_header.hpp"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalDateTime currentLocalDateTime();

// "2026年12月7日9时5分3秒": no leading zeros; the time stops at the last unit that is not 0
// (seconds, else minutes, else hours; midnight gives the date alone).
std::string measurementTimeText(const LocalDateTime& when);

// "V= 0.6793 N/T+ 0.0033" from the two rating coefficient texts.
std::string meterFormulaText(std::string_view factor, std::string_view constant);

struct GridCell {
    int row = 0;
    int column = 0;
    bool operator==(const GridCell&) const = default;
};

// Columns first..last of one row shown as one cell; its text is that of the first cell.
struct GridMerge {
    int row = 0;
    int firstColumn = 0;
    int lastColumn = 0;
};

class RecordHeaderGrid {
  public:
    static constexpr int kRows = 15;
    static constexpr int kColumns = 8;
    static constexpr int kRowHeight = 24;
    static constexpr int kColumnWidth = 80;

    // Text of a cell; inside a merge, the text of the merge's first cell. Outside: empty.
    const std::string& text(int row, int column) const;
    // Writes a cell (inside a merge: the merge's first cell); outside the grid it is ignored.
    void setText(int row, int column, std::string_view text);

    bool isReadOnly(int row, int column) const;
    void setReadOnly(int firstRow, int firstColumn, int lastRow, int lastColumn);

    void merge(int row, int firstColumn, int lastColumn);
    const std::vector<GridMerge>& merges() const { return merges_; }
    // The first cell of the merge that covers the cell, or the cell itself.
    GridCell anchor(int row, int column) const;

  private:
    static bool inside(int row, int column) {
        return row >= 0 && row < kRows && column >= 0 && column < kColumns;
    }

    std::array<std::array<std::string, kColumns>, kRows> texts_;
    std::array<std::array<bool, kColumns>, kRows> readOnly_{};
    std::vector<GridMerge> merges_;
};

// Value cells of the 39 record-header fields, in file order (line 1 positions 1-12, line 2
// positions 1-8, line 3 positions 1-16, line 4 positions 1-3).
extern const std::array<GridCell, 39> kRecordHeaderCells;

// Labels, merges, read-only areas, then the proposals: the measurement time in (1, 3) and the
// meter formula from the two rating coefficient texts in (2, 3).
RecordHeaderGrid buildRecordHeaderGrid(std::string_view factor, std::string_view constant,
                                       const LocalDateTime& now);

// Every field of the header that is not "*" replaces the text of its value cell.
void showRecordHeader(RecordHeaderGrid& grid, const RecordHeader& header);

// The texts of the 39 value cells in file order (a merged cell gives its first cell's text).
std::array<std::string, 39> recordHeaderValues(const RecordHeaderGrid& grid);

} // namespace tarnelo
