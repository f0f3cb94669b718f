#include "app/qt/sheet_view.hpp"

#include "sheet/sheet.hpp"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace tarnelo {

namespace {

// The sheet's columns are narrow (29 pixels for "系数"): cell texts are drawn with a one-pixel
// margin instead of the style's wider one, and elided only when they really do not fit.
class CompactDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* widget = item.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        const QRect room = item.rect.adjusted(1, 0, -1, 0);
        const bool selected = (item.state & QStyle::State_Selected) != 0;
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(room, Qt::AlignCenter,
                          item.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        painter->restore();
    }
};

} // namespace

SheetView::SheetView(QWidget* parent) : QTableView(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(Sheet::kDefaultRowHeight);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setWordWrap(false);
    setTabKeyNavigation(true);
    setItemDelegate(new CompactDelegate(this));
}

void SheetView::commitPendingEdit() {
    if (state() != QAbstractItemView::EditingState) {
        return;
    }
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void SheetView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // The keypad's Enter comes with the keypad modifier.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && state() != QAbstractItemView::EditingState) {
        if (currentIndex().isValid()) {
            emit enterPressed(currentIndex().row());
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void SheetView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    // The delegate closes with SubmitModelCache only when Enter ended the edit.
    if (hint == QAbstractItemDelegate::SubmitModelCache && currentIndex().isValid()) {
        emit enterPressed(currentIndex().row());
    }
}

} // namespace tarnelo
