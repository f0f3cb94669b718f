// The grid control of 高级表格1: no heading rows or row numbers (the heading band of labels sits
// above it), spreadsheet-like typing, and Enter that commits the cell and moves down.
#pragma once

#include <QTableView>

namespace tarnelo {

class SheetView : public QTableView {
    Q_OBJECT

  public:
    explicit SheetView(QWidget* parent = nullptr);

    // Writes a cell being edited into the sheet and closes its editor.
    void commitPendingEdit();

  signals:
    // Enter (Return or the keypad's Enter) was pressed on the grid or committed an edit;
    // the row of the cursor at that moment.
    void enterPressed(int row);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
};

} // namespace tarnelo
