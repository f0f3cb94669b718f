// The texts of a gauging's rows, all seventeen columns: what the computation reads and writes,
// row by row, and what the sheet shows after it.
#pragma once

#include "gauging/columns.hpp"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

class Table {
  public:
    Table() = default;
    explicit Table(std::vector<RowTexts> rows) : rows_(std::move(rows)) {}

    int rowCount() const { return static_cast<int>(rows_.size()); }
    // Text of a cell; a position outside the table reads as the empty text.
    const std::string& cell(int row, int column) const;
    bool filled(int row, int column) const { return !cell(row, column).empty(); }
    // Writes a cell; a position outside the table is ignored.
    void setCell(int row, int column, std::string_view text);
    void clearColumns(ColumnRange range);

    std::span<const RowTexts> rows() const { return rows_; }

  private:
    bool inside(int row, int column) const {
        return row >= 0 && row < rowCount() && column >= 0 && column < kRecordColumns;
    }

    std::vector<RowTexts> rows_;
};

} // namespace tarnelo
