// Row numbers 1, 2, 3 ... beside the grid 高级表格1: a header that is no column of the sheet.
// It sits in the margin left of the grid, so the columns stay under their heading band; a
// click selects a row, Shift+click or a drag a run of rows.
#pragma once

#include <QHeaderView>

namespace tarnelo {

class SheetView;

class RowNumbers : public QHeaderView {
    Q_OBJECT

  public:
    // Shown in `host` (an ancestor of the grid), from the host's left edge to the grid.
    RowNumbers(SheetView& grid, QWidget* host);

    // Follows the grid's place, size and scrolling.
    void follow();

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void selectRows(int from, int to);

    SheetView& grid_;
    int anchor_ = -1;
    bool extend_ = false;
};

} // namespace tarnelo
