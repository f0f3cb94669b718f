// Editing the measurement sheet as a user does: steps that can be undone and redone (typing,
// paste, cut, delete, inserting and deleting rows), and where Tab moves the cursor.
#pragma once

#include "gauging/edit_names.hpp"
#include "sheet/sheet.hpp"

#include <cstddef>
#include <deque>
#include <functional>
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

// One change of the sheet with what it replaced, so that it can be taken back exactly.
struct SheetOp {
    enum class Kind { SetCell, InsertRow, RemoveRow };
    Kind kind = Kind::SetCell;
    int row = 0;
    int column = 0;
    std::string before;
    std::string after;
    // RemoveRow: the cells of the removed row, and whether the sheet appended an empty row at
    // its end to keep its least number of rows.
    std::vector<std::string> removed;
    bool padded = false;
};

// One undoable step: its name, as the status bar shows it, and its changes in order.
struct SheetEdit {
    std::string name;
    std::vector<SheetOp> ops;
    // The cells to select once the step is done or undone.
    CellRange focus;
    // What the step changed beside the cells (the mode, the results of a computation): called
    // once the cells are put back (true) or done again (false).
    std::function<void(bool undone)> restore;
};

// Typing text into a cell (nothing when the cell already holds it).
SheetEdit typingEdit(const Sheet& sheet, int row, int column, std::string_view text);

// Emptying the editable cells of a range (Delete, Backspace, the second half of a cut);
// read-only cells keep their text.
SheetEdit emptyingEdit(const Sheet& sheet, CellRange range, std::string_view name);

// count empty rows inserted before row `at`.
SheetEdit insertRowsEdit(const Sheet& sheet, int at, int count);

// Rows first..first+count-1 removed; a sheet of the least size keeps its number of rows with
// empty rows at its end.
SheetEdit removeRowsEdit(const Sheet& sheet, int first, int count);

// The cells of a sheet, to compare with the sheet after a command has changed it.
std::vector<Sheet::Row> sheetCells(const Sheet& sheet);

// What turned the cells `before` into the sheet as it is now, as one step already done: every
// cell that differs, and the rows added or taken away at the end.
SheetEdit changesEdit(const std::vector<Sheet::Row>& before, const Sheet& now,
                      std::string_view name);

// The steps done on the sheet, for undo and redo. Doing a new step drops the steps undone
// before it; the oldest steps go when more than `depth` are kept.
class SheetHistory {
  public:
    static constexpr std::size_t kDefaultDepth = 200;

    explicit SheetHistory(std::size_t depth = kDefaultDepth);

    // Does the step and keeps it. A step without changes is neither done nor kept: false.
    bool perform(Sheet& sheet, SheetEdit edit);
    // Keeps a step that was done outside the history (a computation, a mode switch). A step
    // that changed neither the cells nor anything else is not kept: false.
    bool record(SheetEdit edit);
    // Takes back the last step done, or does again the last step undone; the step, or
    // nullptr when there is none.
    const SheetEdit* undo(Sheet& sheet);
    const SheetEdit* redo(Sheet& sheet);

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    std::size_t undoSteps() const { return done_; }
    std::size_t redoSteps() const { return steps_.size() - done_; }
    // Forgets every step (an opened file or 清空 start a new history).
    void clear();

  private:
    std::size_t depth_;
    std::deque<SheetEdit> steps_;
    std::size_t done_ = 0;
};

// What the status bar says after undo or redo, or when there is nothing to take back.
std::string undoStatus(const SheetEdit* step);
std::string redoStatus(const SheetEdit* step);
// The same by the step's name (empty: there was none).
std::string undoStatus(std::string_view name);
std::string redoStatus(std::string_view name);

// Where Tab (forward) or Shift+Tab moves from a cell: to the next editable cell of the row,
// skipping read-only columns, then to the first (last) editable cell of the next (previous)
// row. std::nullopt past the last row or before the first, or when no column is editable.
std::optional<CellPos> tabTarget(const Sheet& sheet, CellPos from, bool forward);

// Why a key typed into a read-only cell did nothing.
std::string readOnlyColumnStatus(int column);

} // namespace tarnelo
