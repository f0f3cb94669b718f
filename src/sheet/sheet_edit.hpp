// Editing the measurement sheet as a user does: the cells a cut or Delete empties, what undo and
// redo say, and where Tab moves the cursor.
#pragma once

#include "gauging/edit_names.hpp"
#include "sheet/sheet.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnelo {

// A rectangle of cells, rows top..bottom and columns left..right inclusive.
struct CellRange {
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;

    bool empty() const { return bottom < top || right < left; }
    int rows() const { return empty() ? 0 : bottom - top + 1; }
    int columns() const { return empty() ? 0 : right - left + 1; }
    bool operator==(const CellRange&) const = default;
};

struct CellPos {
    int row = 0;
    int column = 0;
    bool operator==(const CellPos&) const = default;
};

// A cell's new text.
struct CellWrite {
    int row = 0;
    int column = 0;
    std::string text;
    bool operator==(const CellWrite&) const = default;
};

// What one user action writes into the typed cells, as one step of the measurement's history:
// its name, as the status bar shows it, and its writes in order.
struct SheetEdit {
    std::string name;
    std::vector<CellWrite> writes;
    // The cells to select once the step is done.
    CellRange focus;
};

// Emptying the editable cells of a range (Delete, Backspace, the second half of a cut);
// read-only cells and cells already empty are left out.
SheetEdit emptyingEdit(const Sheet& sheet, CellRange range, std::string_view name);

// What the status bar says after undo or redo of the step `name`, or when there was none (an
// empty name).
std::string undoStatus(std::string_view name);
std::string redoStatus(std::string_view name);

// Where Tab (forward) or Shift+Tab moves from a cell: to the next editable cell of the row,
// skipping read-only columns, then to the first (last) editable cell of the next (previous)
// row. std::nullopt past the last row or before the first, or when no column is editable.
std::optional<CellPos> tabTarget(const Sheet& sheet, CellPos from, bool forward);

// Why a key typed into a read-only cell did nothing.
std::string readOnlyColumnStatus(int column);

} // namespace tarnelo
