// What the user does to the cells of 高级表格1 beyond typing one: ranges to and from the
// clipboard, Delete, undo and redo, inserting and deleting rows, and the context menu. Every
// change of typed cells, typing included, is one step of the sheet's history; the status bar
// names the step undone or redone and says what a paste left out.
#pragma once

#include "app/qt/sheet_view.hpp"
#include "sheet/sheet_edit.hpp"

#include <QObject>

#include <functional>
#include <string_view>

class QMenu;

namespace tarnelo {

class SheetModel;

class SheetEditing : public QObject {
    Q_OBJECT

  public:
    SheetEditing(SheetView& grid, SheetModel& model, QHeaderView& rowNumbers,
                 std::function<void(std::string_view)> status, QObject* parent = nullptr);

    void handle(SheetView::Request request);
    // An opened file and 清空 start a new history.
    void startNewHistory() { history_.clear(); }
    // A step done outside the sheet's own commands (a computation, a mode switch), kept for
    // undo and redo.
    void record(SheetEdit edit) { history_.record(std::move(edit)); }
    const SheetHistory& history() const { return history_; }

    // The selected cells, or the current cell when nothing is selected.
    CellRange selection() const;

  private:
    void copy();
    void paste();
    void insertRows(bool below);
    void insertPoint();
    void perform(SheetEdit edit);
    // Runs a change of the sheet with the grid's notices gathered into one.
    void batched(const std::function<void()>& change);
    void select(CellRange range);
    void showMenu(QWidget* over, const QPoint& at);

    SheetView& grid_;
    SheetModel& model_;
    std::function<void(std::string_view)> status_;
    SheetHistory history_;
};

} // namespace tarnelo
