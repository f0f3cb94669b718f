// What the user does to the cells of 高级表格1 beyond typing one: ranges to and from the
// clipboard, Delete, undo and redo, inserting and deleting rows, and the context menu. Every
// change of typed cells, typing included, is one command on the document and one step of its
// history; the sheet shows the document, and follows it whenever it changes. The status bar
// names the step undone or redone and says what a paste left out.
#pragma once

#include "app/qt/sheet_view.hpp"
#include "document/document.hpp"
#include "sheet/sheet_edit.hpp"

#include <QObject>

#include <functional>
#include <string_view>
#include <vector>

class QMenu;

namespace tarnelo {

class SheetModel;

class SheetEditing : public QObject {
    Q_OBJECT

  public:
    SheetEditing(SheetView& grid, SheetModel& model, QHeaderView& rowNumbers, Document& document,
                 std::function<void(std::string_view)> status, QObject* parent = nullptr);

    void handle(SheetView::Request request);
    // Undo (true) or redo of the document's last step, with whatever the window shows beside
    // the sheet; false when there was none. By default the document's own undo and redo.
    std::function<bool(bool undo)> stepBack;
    // Brings the sheet to what the document holds: rows the document inserted or removed are
    // inserted or removed in the sheet, and every cell whose text in the document changed since
    // it was last shown is written (a cell the document did not change keeps what the sheet
    // holds). Rows the sheet has beyond the document's (Enter on its last row) stay.
    void showDocument();

    // The selected cells, or the current cell when nothing is selected.
    CellRange selection() const;

  private:
    void copy();
    void paste();
    void insertRows(bool below);
    void insertPoint();
    // The cells of a step as one command on the document.
    void perform(const SheetEdit& edit);
    // Runs a change of the sheet with the grid's notices gathered into one.
    void batched(const std::function<void()>& change);
    void select(CellRange range);
    void showMenu(QWidget* over, const QPoint& at);

    SheetView& grid_;
    SheetModel& model_;
    std::function<void(std::string_view)> status_;
    Document& document_;
    // The document's rows as the sheet last showed them, all of their columns.
    std::vector<RowTexts> shown_;
    // The cells the last showDocument wrote.
    CellRange lastShown_;
};

} // namespace tarnelo
