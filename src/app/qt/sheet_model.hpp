// The grid 高级表格1 as a Qt item model: a view straight onto the measurement sheet, the
// display of the window's document. Typed text goes to the document (typed); the sheet's
// change notices come back as model signals. During a command the notices are collected and sent
// once at its end, so computing a long sheet does not repaint cell by cell.
#pragma once

#include "sheet/sheet.hpp"

#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <vector>

namespace tarnelo {

class CellMarks;

class SheetModel : public QAbstractTableModel, public SheetObserver {
    Q_OBJECT

  public:
    explicit SheetModel(Sheet& sheet, QObject* parent = nullptr);
    ~SheetModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A point row: one more measuring point of the velocity vertical above it.
    bool isPointRow(int row) const;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Marks of the check pass, shown over a cell's own background and as its tooltip; null for
    // none. The caller owns them and tells the views with marksChanged.
    void setMarks(const CellMarks* marks) { marks_ = marks; }
    void marksChanged() { allCellsChanged(); }
    // While the results are outdated the computed columns are greyed like them.
    void setStale(bool stale);

    Sheet& sheet() const { return sheet_; }

    // When set, text typed into a cell goes here (to become an undoable step) instead of
    // straight into the sheet.
    std::function<void(int row, int column, const std::string& text)> typed;

    // Collect change notices until the matching endBatch (batches nest).
    void beginBatch();
    void endBatch();

    void cellChanged(int row, int column) override;
    void sheetReset() override;
    void layoutChanged() override;
    void rowsInserted(int at, int count) override;
    void rowsRemoved(int at, int count) override;

  signals:
    // Column widths or read-only marks of the sheet changed.
    void sheetLayoutChanged();

  private:
    void catchUpRows();
    void allCellsChanged();
    // Brings the remembered point rows first..last up to date; true when one of them changed.
    bool pointRowsChanged(int first, int last);

    Sheet& sheet_;
    const CellMarks* marks_ = nullptr;
    bool stale_ = false;
    // Rows announced to the views. Rows inserted or removed are announced as such at once;
    // rows appended during a batch are announced at its end.
    int shownRows_ = 0;
    int batchDepth_ = 0;
    bool pendingCells_ = false;
    int dirtyTop_ = 0;
    int dirtyBottom_ = 0;
    int dirtyLeft_ = 0;
    int dirtyRight_ = 0;
    bool pendingAll_ = false;
    bool pendingLayout_ = false;
    // Which rows were point rows when last painted; their tint spans the whole row.
    std::vector<bool> pointRows_;
};

} // namespace tarnelo
