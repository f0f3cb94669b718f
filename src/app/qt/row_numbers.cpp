#include "app/qt/row_numbers.hpp"

#include "app/qt/sheet_view.hpp"
#include "sheet/sheet.hpp"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace tarnelo {

RowNumbers::RowNumbers(SheetView& grid, QWidget* host)
    : QHeaderView(Qt::Vertical, host), grid_(grid) {
    setObjectName(QStringLiteral("行号"));
    setModel(grid.model());
    setSelectionModel(grid.selectionModel());
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultSectionSize(Sheet::kDefaultRowHeight);
    setMinimumSectionSize(1);
    setSectionsClickable(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QHeaderView::sectionPressed, this, [this](int row) {
        if (!extend_ || anchor_ < 0) {
            anchor_ = row;
        }
        selectRows(anchor_, row);
    });
    connect(this, &QHeaderView::sectionEntered, this, [this](int row) {
        if (anchor_ >= 0) {
            selectRows(anchor_, row);
        }
    });
    connect(&grid, &SheetView::scrolled, this, &RowNumbers::follow);
    connect(grid.selectionModel(), &QItemSelectionModel::selectionChanged, viewport(),
            qOverload<>(&QWidget::update));
    grid.installEventFilter(this);
    follow();
    show();
}

void RowNumbers::follow() {
    QWidget* host = parentWidget();
    const QPoint topLeft = grid_.viewport()->mapTo(host, QPoint(0, 0));
    const int right = grid_.mapTo(host, QPoint(0, 0)).x();
    setGeometry(0, topLeft.y(), std::max(right, 0), grid_.viewport()->height());
    setOffset(-grid_.rowViewportPosition(0));
    setVisible(grid_.isVisible());
    raise();
}

bool RowNumbers::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &grid_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                              event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        follow();
    }
    return QHeaderView::eventFilter(watched, event);
}

void RowNumbers::mousePressEvent(QMouseEvent* event) {
    extend_ = (event->modifiers() & Qt::ShiftModifier) != 0;
    grid_.commitPendingEdit();
    grid_.setFocus();
    // A right click on a row outside the selection selects it, for the context menu.
    const int row = logicalIndexAt(event->position().toPoint());
    if (event->button() == Qt::RightButton && row >= 0 &&
        !grid_.selectionModel()->rowIntersectsSelection(row, QModelIndex())) {
        anchor_ = row;
        selectRows(row, row);
    }
    QHeaderView::mousePressEvent(event);
}

void RowNumbers::selectRows(int from, int to) {
    QAbstractItemModel* m = grid_.model();
    if (from < 0 || to < 0 || from >= m->rowCount() || to >= m->rowCount()) {
        return;
    }
    const QItemSelection rows(m->index(std::min(from, to), 0),
                              m->index(std::max(from, to), m->columnCount() - 1));
    const int column = grid_.currentIndex().isValid() ? grid_.currentIndex().column() : 1;
    grid_.selectionModel()->setCurrentIndex(m->index(to, column), QItemSelectionModel::NoUpdate);
    grid_.selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

void RowNumbers::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    const bool selected = selectionModel() != nullptr &&
                          selectionModel()->rowIntersectsSelection(logicalIndex, QModelIndex());
    const QPalette& colours = palette();
    painter->fillRect(rect,
                      selected ? colours.color(QPalette::Mid) : colours.color(QPalette::Button));
    painter->setPen(colours.color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    // Numbers of three digits and more get a smaller font rather than being cut.
    const QString number = QString::number(logicalIndex + 1);
    QFont font = this->font();
    while (QFontMetrics(font).horizontalAdvance(number) > rect.width() - 2 &&
           font.pointSizeF() > 5) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    painter->setFont(font);
    painter->setPen(selected ? colours.color(QPalette::HighlightedText)
                             : colours.color(QPalette::ButtonText));
    painter->drawText(rect, Qt::AlignCenter, number);
    painter->restore();
}

} // namespace tarnelo
