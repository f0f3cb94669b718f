// The grid control of 高级表格1 (the heading band of labels sits above it; the row numbers
// beside it, see RowNumbers): spreadsheet-like typing, ranges, Tab and Enter routes, and keys
// for the clipboard, undo and rows, which it hands on as requests.
#pragma once

#include <QFont>
#include <QTableView>

#include <array>

namespace tarnelo {

// The font a cell's text is drawn in: the sheet's, or a smaller one (down to three quarters of
// it) when the text would not fit the column's width otherwise.
QFont fittingFont(const QFont& font, const QString& text, int width);

class SheetView : public QTableView {
    Q_OBJECT

  public:
    // What a key or the context menu asks of the sheet.
    enum class Request {
        Copy,
        Cut,
        Paste,
        Delete,
        Undo,
        Redo,
        InsertRowsAbove,
        InsertRowsBelow,
        // A point row under the current vertical's last point.
        InsertPoint,
        RemoveRows,
    };

    explicit SheetView(QWidget* parent = nullptr);

    // Writes a cell being edited into the sheet and closes its editor.
    void commitPendingEdit();
    // A cell editor is open.
    bool editing() const { return state() == QAbstractItemView::EditingState; }

    // Shows the columns with the given widths, widened in proportion so that together they
    // fill the grid's width less `reserved` pixels.
    void fitColumns(const std::array<int, 17>& widths, int reserved);

  signals:
    // Enter (Return or the keypad's Enter) was pressed on the grid or committed an edit;
    // the row of the cursor at that moment. The cursor moves down afterwards.
    void enterPressed(int row);
    void requested(tarnelo::SheetView::Request request);
    // A key was typed into a cell of a read-only column.
    void readOnlyTyped(int column);
    // The cells moved on screen (scrolled or laid out again).
    void scrolled();

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    // Ctrl+V in a cell editor with a block of cells on the clipboard pastes the block.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

  private:
    bool requestFor(QKeyEvent* event);
    // Tab or Shift+Tab from the current cell; false when there is no cell to go to.
    bool moveByTab(bool forward);
    void moveAfterEnter(int row);

    // Column where the current run of Tabs began (-1: no run), and whether the next change
    // of the current cell comes from Tab or Enter.
    int tabRunColumn_ = -1;
    bool keyMove_ = false;
};

} // namespace tarnelo
