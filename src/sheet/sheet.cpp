#include "sheet/sheet.hpp"

#include <algorithm>
#include <span>

namespace tarnelo {

namespace {

constexpr std::array<int, Sheet::kColumns> kWidths{30, 39, 31, 29, 39, 39, 39, 37, 51,
                                                   29, 51, 63, 51, 29, 51, 31, 58};

const std::string kEmpty;
const Sheet::Row kEmptyRow{};

} // namespace

Sheet::Sheet(int rows) : cells_(static_cast<std::size_t>(std::max(rows, 0))) {
    widths_ = kWidths;
}

const std::string& Sheet::cell(int row, int column) const {
    if (!inside(row, column)) {
        return kEmpty;
    }
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void Sheet::setCell(int row, int column, std::string_view text) {
    if (!inside(row, column)) {
        return;
    }
    auto& target = cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    if (target == text) {
        return;
    }
    target.assign(text);
    if (observer_ != nullptr) {
        observer_->cellChanged(row, column);
    }
}

void Sheet::clearColumns(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, kColumns - 1);
    for (auto& row : cells_) {
        for (int c = first; c <= last; ++c) {
            row[static_cast<std::size_t>(c)].clear();
        }
    }
    if (observer_ != nullptr) {
        observer_->sheetReset();
    }
}

void Sheet::setColumnsReadOnly(int first, int last, bool readOnly) {
    first = std::max(first, 0);
    last = std::min(last, kColumns - 1);
    for (int c = first; c <= last; ++c) {
        readOnly_[static_cast<std::size_t>(c)] = readOnly;
    }
    if (observer_ != nullptr) {
        observer_->layoutChanged();
    }
}

bool Sheet::isReadOnly(int column) const {
    return column >= 0 && column < kColumns && readOnly_[static_cast<std::size_t>(column)];
}

void Sheet::setColumnWidth(int column, int pixels) {
    if (column < 0 || column >= kColumns) {
        return;
    }
    widths_[static_cast<std::size_t>(column)] = pixels;
    if (observer_ != nullptr) {
        observer_->layoutChanged();
    }
}

int Sheet::columnWidth(int column) const {
    return column >= 0 && column < kColumns ? widths_[static_cast<std::size_t>(column)] : 0;
}

void Sheet::setCurrentRow(int row) {
    if (row >= 0 && row < rowCount()) {
        currentRow_ = row;
    }
}

void Sheet::appendRow() {
    cells_.emplace_back();
    if (observer_ != nullptr) {
        observer_->sheetReset();
    }
}

void Sheet::growTo(int rows) {
    if (rows <= rowCount()) {
        return;
    }
    cells_.resize(static_cast<std::size_t>(rows));
    if (observer_ != nullptr) {
        observer_->sheetReset();
    }
}

void Sheet::insertRow(int at, const Row& cells) {
    if (at < 0 || at > rowCount()) {
        return;
    }
    cells_.insert(cells_.begin() + at, cells);
    if (observer_ != nullptr) {
        observer_->rowsInserted(at, 1);
    }
}

bool Sheet::removeRow(int at) {
    if (at < 0 || at >= rowCount()) {
        return false;
    }
    cells_.erase(cells_.begin() + at);
    if (observer_ != nullptr) {
        observer_->rowsRemoved(at, 1);
    }
    currentRow_ = std::min(currentRow_, std::max(rowCount() - 1, 0));
    if (rowCount() >= kInitialRows) {
        return false;
    }
    cells_.emplace_back();
    if (observer_ != nullptr) {
        observer_->rowsInserted(rowCount() - 1, 1);
    }
    return true;
}

const Sheet::Row& Sheet::row(int at) const {
    if (at < 0 || at >= rowCount()) {
        return kEmptyRow;
    }
    return cells_[static_cast<std::size_t>(at)];
}

void layoutSheet(Sheet& sheet, EntryMode mode) {
    for (int c = 0; c < Sheet::kColumns; ++c) {
        sheet.setColumnWidth(c, kWidths[static_cast<std::size_t>(c)]);
    }
    const auto lock = [&](std::span<const ColumnRange> computed,
                          std::span<const ColumnRange> typed) {
        for (const ColumnRange range : computed) {
            sheet.setColumnsReadOnly(range, true);
        }
        for (const ColumnRange range : typed) {
            sheet.setColumnsReadOnly(range, false);
        }
    };
    if (mode == EntryMode::Vertical) {
        lock(cols::kComputedVertical, cols::kTypedVertical);
    } else if (mode == EntryMode::Velocity) {
        lock(cols::kComputedVelocity, cols::kTypedVelocity);
    }
}

} // namespace tarnelo
