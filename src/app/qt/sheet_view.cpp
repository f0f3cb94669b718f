#include "app/qt/sheet_view.hpp"

#include "sheet/sheet.hpp"

#include <QHeaderView>
#include <QKeyEvent>

namespace tarnelo {

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
    if (enter && state() != QAbstractItemView::EditingState &&
        event->modifiers() == Qt::NoModifier) {
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
