#include "sheet/sheet_edit.hpp"

#include <algorithm>

namespace tarnelo {

namespace {

SheetOp setCellOp(const Sheet& sheet, int row, int column, std::string_view text) {
    SheetOp op;
    op.kind = SheetOp::Kind::SetCell;
    op.row = row;
    op.column = column;
    op.before = sheet.cell(row, column);
    op.after.assign(text);
    return op;
}

void apply(Sheet& sheet, SheetOp& op) {
    switch (op.kind) {
    case SheetOp::Kind::SetCell:
        sheet.setCell(op.row, op.column, op.after);
        break;
    case SheetOp::Kind::InsertRow:
        sheet.insertRow(op.row);
        break;
    case SheetOp::Kind::RemoveRow:
        op.padded = sheet.removeRow(op.row);
        break;
    }
}

void revert(Sheet& sheet, const SheetOp& op) {
    switch (op.kind) {
    case SheetOp::Kind::SetCell:
        sheet.setCell(op.row, op.column, op.before);
        break;
    case SheetOp::Kind::InsertRow:
        // The row went in on a sheet of at least its least size, so taking it out pads nothing.
        sheet.removeRow(op.row);
        break;
    case SheetOp::Kind::RemoveRow: {
        Sheet::Row cells;
        std::copy_n(op.removed.begin(), std::min(op.removed.size(), cells.size()), cells.begin());
        sheet.insertRow(op.row, cells);
        if (op.padded) {
            sheet.removeRow(sheet.rowCount() - 1);
        }
        break;
    }
    }
}

} // namespace

SheetEdit typingEdit(const Sheet& sheet, int row, int column, std::string_view text) {
    SheetEdit edit{std::string(edits::kTyping), {}, {row, column, row, column}, {}};
    if (row >= 0 && row < sheet.rowCount() && column >= 0 && column < Sheet::kColumns &&
        sheet.cell(row, column) != text) {
        edit.ops.push_back(setCellOp(sheet, row, column, text));
    }
    return edit;
}

SheetEdit emptyingEdit(const Sheet& sheet, CellRange range, std::string_view name) {
    SheetEdit edit{std::string(name), {}, range, {}};
    const int bottom = std::min(range.bottom, sheet.rowCount() - 1);
    const int right = std::min(range.right, Sheet::kColumns - 1);
    for (int r = std::max(range.top, 0); r <= bottom; ++r) {
        for (int c = std::max(range.left, 0); c <= right; ++c) {
            if (!sheet.isReadOnly(c) && !sheet.cell(r, c).empty()) {
                edit.ops.push_back(setCellOp(sheet, r, c, ""));
            }
        }
    }
    return edit;
}

SheetEdit insertRowsEdit(const Sheet& sheet, int at, int count) {
    SheetEdit edit{std::string(edits::kInsertRows), {}, {}, {}};
    if (at < 0 || at > sheet.rowCount() || count <= 0) {
        return edit;
    }
    for (int i = 0; i < count; ++i) {
        SheetOp op;
        op.kind = SheetOp::Kind::InsertRow;
        op.row = at;
        edit.ops.push_back(std::move(op));
    }
    edit.focus = {at, 0, at + count - 1, Sheet::kColumns - 1};
    return edit;
}

SheetEdit removeRowsEdit(const Sheet& sheet, int first, int count) {
    SheetEdit edit{std::string(edits::kRemoveRows), {}, {}, {}};
    first = std::max(first, 0);
    const int last = std::min(first + count, sheet.rowCount()) - 1;
    for (int r = first; r <= last; ++r) {
        // Each removal takes the next of the rows, which has moved up to `first`.
        SheetOp op;
        op.kind = SheetOp::Kind::RemoveRow;
        op.row = first;
        const Sheet::Row& cells = sheet.row(r);
        op.removed.assign(cells.begin(), cells.end());
        edit.ops.push_back(std::move(op));
    }
    // Undone, the rows come back selected; done, the rows that moved up into their place are.
    edit.focus = {first, 0, std::max(last, first), Sheet::kColumns - 1};
    return edit;
}

std::vector<Sheet::Row> sheetCells(const Sheet& sheet) {
    std::vector<Sheet::Row> cells;
    cells.reserve(static_cast<std::size_t>(sheet.rowCount()));
    for (int r = 0; r < sheet.rowCount(); ++r) {
        cells.push_back(sheet.row(r));
    }
    return cells;
}

SheetEdit changesEdit(const std::vector<Sheet::Row>& before, const Sheet& now,
                      std::string_view name) {
    SheetEdit edit{std::string(name), {}, {}, {}};
    const int had = static_cast<int>(before.size());
    const int shared = std::min(had, now.rowCount());
    for (int r = 0; r < shared; ++r) {
        const Sheet::Row& old = before[static_cast<std::size_t>(r)];
        for (int c = 0; c < Sheet::kColumns; ++c) {
            if (old[static_cast<std::size_t>(c)] != now.cell(r, c)) {
                SheetOp op;
                op.row = r;
                op.column = c;
                op.before = old[static_cast<std::size_t>(c)];
                op.after = now.cell(r, c);
                edit.ops.push_back(std::move(op));
            }
        }
    }
    // Rows added at the end: an empty row in, then its cells.
    for (int r = shared; r < now.rowCount(); ++r) {
        SheetOp insert;
        insert.kind = SheetOp::Kind::InsertRow;
        insert.row = r;
        edit.ops.push_back(std::move(insert));
        for (int c = 0; c < Sheet::kColumns; ++c) {
            if (!now.cell(r, c).empty()) {
                SheetOp op;
                op.row = r;
                op.column = c;
                op.after = now.cell(r, c);
                edit.ops.push_back(std::move(op));
            }
        }
    }
    // Rows taken away at the end, the last first.
    for (int r = had - 1; r >= shared; --r) {
        SheetOp remove;
        remove.kind = SheetOp::Kind::RemoveRow;
        remove.row = r;
        const Sheet::Row& cells = before[static_cast<std::size_t>(r)];
        remove.removed.assign(cells.begin(), cells.end());
        edit.ops.push_back(std::move(remove));
    }
    return edit;
}

SheetHistory::SheetHistory(std::size_t depth) : depth_(std::max<std::size_t>(depth, 1)) {}

bool SheetHistory::perform(Sheet& sheet, SheetEdit edit) {
    if (edit.ops.empty()) {
        return false;
    }
    for (SheetOp& op : edit.ops) {
        apply(sheet, op);
    }
    return record(std::move(edit));
}

bool SheetHistory::record(SheetEdit edit) {
    if (edit.ops.empty() && !edit.restore) {
        return false;
    }
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back(std::move(edit));
    while (steps_.size() > depth_) {
        steps_.pop_front();
    }
    done_ = steps_.size();
    return true;
}

const SheetEdit* SheetHistory::undo(Sheet& sheet) {
    if (!canUndo()) {
        return nullptr;
    }
    SheetEdit& step = steps_[--done_];
    for (auto op = step.ops.rbegin(); op != step.ops.rend(); ++op) {
        revert(sheet, *op);
    }
    if (step.restore) {
        step.restore(true);
    }
    return &step;
}

const SheetEdit* SheetHistory::redo(Sheet& sheet) {
    if (!canRedo()) {
        return nullptr;
    }
    SheetEdit& step = steps_[done_++];
    for (SheetOp& op : step.ops) {
        apply(sheet, op);
    }
    if (step.restore) {
        step.restore(false);
    }
    return &step;
}

void SheetHistory::clear() {
    steps_.clear();
    done_ = 0;
}

std::string undoStatus(const SheetEdit* step) {
    return step == nullptr ? "没有可以撤销的操作。" : "已撤销：" + step->name;
}

std::string redoStatus(const SheetEdit* step) {
    return step == nullptr ? "没有可以重做的操作。" : "已重做：" + step->name;
}

std::string undoStatus(std::string_view name) {
    return name.empty() ? "没有可以撤销的操作。" : "已撤销：" + std::string(name);
}

std::string redoStatus(std::string_view name) {
    return name.empty() ? "没有可以重做的操作。" : "已重做：" + std::string(name);
}

std::optional<CellPos> tabTarget(const Sheet& sheet, CellPos from, bool forward) {
    const int step = forward ? 1 : -1;
    int row = from.row;
    int column = from.column + step;
    // At most one whole row beyond the current one is searched.
    for (int visited = 0; visited <= 2 * Sheet::kColumns; ++visited) {
        if (column < 0 || column >= Sheet::kColumns) {
            row += step;
            column = forward ? 0 : Sheet::kColumns - 1;
        }
        if (row < 0 || row >= sheet.rowCount()) {
            return std::nullopt;
        }
        if (!sheet.isReadOnly(column)) {
            return CellPos{row, column};
        }
        column += step;
    }
    return std::nullopt;
}

std::string readOnlyColumnStatus(int column) {
    return "“" + std::string(Sheet::heading(column)) + "”是计算列，由“计算”填写，不能输入。";
}

} // namespace tarnelo
