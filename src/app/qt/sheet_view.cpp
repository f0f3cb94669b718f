#include "app/qt/sheet_view.hpp"

#include "app/qt/sheet_model.hpp"
#include "sheet/clipboard_text.hpp"
#include "sheet/sheet_edit.hpp"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <cmath>
#include <numeric>

namespace tarnelo {

namespace {

// The sheet's columns are narrow (29 pixels for "系数"): cell texts are drawn with a one-pixel
// margin instead of the style's wider one, in a smaller font when they need it, and elided only
// when even that does not fit.
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
        const QFont font = fittingFont(item.font, text, room.width());
        painter->setFont(font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(room, Qt::AlignCenter,
                          QFontMetrics(font).elidedText(text, Qt::ElideRight, room.width()));
        painter->restore();
    }
};

} // namespace

QFont fittingFont(const QFont& font, const QString& text, int width) {
    // A depth of 12.21 cut to "12…" reads as another number: a font down to three quarters of
    // the sheet's shows it whole.
    QFont fitted = font;
    const qreal smallest = font.pointSizeF() * 0.75;
    while (QFontMetrics(fitted).horizontalAdvance(text) > width &&
           fitted.pointSizeF() - 0.5 >= smallest) {
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    }
    return fitted;
}

namespace {

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

SheetView::SheetView(QWidget* parent) : QTableView(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(Sheet::kDefaultRowHeight);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // As in a spreadsheet, a click only selects: typing, F2 or a double-click opens the editor.
    // A click on the current cell would open one a moment later (to tell it from a double-click):
    // keys typed in that moment were dropped, and Delete pressed after it emptied the editor,
    // not the cell.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setWordWrap(false);
    setTabKeyNavigation(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
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

void SheetView::fitColumns(const std::array<int, 17>& widths, int baseWidth) {
    const int total = std::accumulate(widths.begin(), widths.end(), 0);
    const int extra = std::max(0, width() - baseWidth);
    // Each column ends where its share of the widened total ends, so that no pixel is lost
    // to rounding.
    int end = 0;
    int sum = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        sum += widths[c];
        const int next =
            total > 0
                ? static_cast<int>(std::lround(static_cast<double>(sum) * (total + extra) / total))
                : 0;
        setColumnWidth(static_cast<int>(c), next - end);
        end = next;
    }
}

void SheetView::mousePressEvent(QMouseEvent* event) {
    // A plain click selects the one cell under it, as spreadsheets do, also inside a selected
    // block: Delete after it empties that cell, not the block.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
        index.isValid() && selectionModel() != nullptr && selectionModel()->isSelected(index) &&
        selectionModel()->selectedIndexes().size() > 1) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    QTableView::mousePressEvent(event);
}

bool SheetView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened) {
        if (QWidget* editor = indexWidget(index)) {
            editor->removeEventFilter(this);
            editor->installEventFilter(this);
        }
    }
    return opened;
}

bool SheetView::eventFilter(QObject* watched, QEvent* event) {
    // The line editor takes Ctrl+E for the end of the line (End does that): here it is the
    // window's 导出Excel, which first writes the cell being edited into the sheet.
    if (event->type() == QEvent::ShortcutOverride && watched == indexWidget(currentIndex()) &&
        static_cast<QKeyEvent*>(event)->keyCombination() ==
            QKeyCombination(Qt::ControlModifier, Qt::Key_E)) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::KeyPress && state() == QAbstractItemView::EditingState &&
        watched == indexWidget(currentIndex())) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
            const CellBlock block =
                parseTabSeparated(QApplication::clipboard()->text().toStdString());
            const bool severalCells =
                block.size() > 1 || (block.size() == 1 && block.front().size() > 1);
            if (severalCells) {
                // The editor closes with what was typed; the block lands as a block.
                commitPendingEdit();
                setFocus();
                emit requested(Request::Paste);
                return true;
            }
        }
    }
    return QTableView::eventFilter(watched, event);
}

bool SheetView::requestFor(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    const bool shift = mods == Qt::ShiftModifier;
    const bool plain = mods == Qt::NoModifier;
    std::optional<Request> request;
    if ((ctrl && key == Qt::Key_C) || (ctrl && key == Qt::Key_Insert)) {
        request = Request::Copy;
    } else if ((ctrl && key == Qt::Key_X) || (shift && key == Qt::Key_Delete)) {
        request = Request::Cut;
    } else if ((ctrl && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) {
        request = Request::Paste;
    } else if (ctrl && key == Qt::Key_Z) {
        request = Request::Undo;
    } else if ((ctrl && key == Qt::Key_Y) || (ctrlShift && key == Qt::Key_Z)) {
        request = Request::Redo;
    } else if (plain && (key == Qt::Key_Delete || key == Qt::Key_Backspace)) {
        request = Request::Delete;
    } else if ((ctrl || ctrlShift) && (key == Qt::Key_Plus || key == Qt::Key_Equal)) {
        request = Request::InsertRowsAbove;
    } else if (ctrl && key == Qt::Key_I) {
        request = Request::InsertPoint;
    } else if (ctrl && key == Qt::Key_Minus) {
        request = Request::RemoveRows;
    }
    if (!request) {
        return false;
    }
    emit requested(*request);
    event->accept();
    return true;
}

void SheetView::keyPressEvent(QKeyEvent* event) {
    const bool editing = state() == QAbstractItemView::EditingState;
    // The keypad's Enter comes with the keypad modifier.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (isEnter(event) && plain && !editing) {
        if (currentIndex().isValid()) {
            const int row = currentIndex().row();
            emit enterPressed(row);
            moveAfterEnter(row);
        }
        event->accept();
        return;
    }
    if (!editing && requestFor(event)) {
        return;
    }
    // A key typed into a computed cell is not dropped without a word.
    const QModelIndex here = currentIndex();
    const bool typing =
        !event->text().isEmpty() && event->text().front().isPrint() &&
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ==
            Qt::NoModifier;
    if (!editing && typing && here.isValid() && !(here.flags() & Qt::ItemIsEditable)) {
        emit readOnlyTyped(here.column());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool SheetView::focusNextPrevChild(bool next) {
    if (state() != QAbstractItemView::EditingState && moveByTab(next)) {
        return true;
    }
    // Past the last editable cell Tab leaves the grid, for the coefficient fields.
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool SheetView::moveByTab(bool forward) {
    const QModelIndex here = currentIndex();
    auto* sheetModel = qobject_cast<SheetModel*>(model());
    if (!here.isValid() || sheetModel == nullptr) {
        return false;
    }
    const auto target = tabTarget(sheetModel->sheet(), {here.row(), here.column()}, forward);
    if (!target || target->row >= model()->rowCount()) {
        return false;
    }
    if (tabRunColumn_ < 0) {
        tabRunColumn_ = here.column();
    }
    keyMove_ = true;
    setCurrentIndex(model()->index(target->row, target->column));
    keyMove_ = false;
    return true;
}

void SheetView::moveAfterEnter(int row) {
    const QModelIndex here = currentIndex();
    const int column = tabRunColumn_ >= 0 ? tabRunColumn_ : (here.isValid() ? here.column() : 1);
    tabRunColumn_ = -1;
    if (row + 1 < model()->rowCount()) {
        setCurrentIndex(model()->index(row + 1, column));
    }
}

void SheetView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab out of an editor moves like Tab on the grid and leaves the next cell unopened, so
    // that arrow keys move between cells again.
    if (hint == QAbstractItemDelegate::EditNextItem ||
        hint == QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        moveByTab(hint == QAbstractItemDelegate::EditNextItem);
        return;
    }
    QTableView::closeEditor(editor, hint);
    // The delegate closes with SubmitModelCache only when Enter ended the edit.
    if (hint == QAbstractItemDelegate::SubmitModelCache && currentIndex().isValid()) {
        const int row = currentIndex().row();
        emit enterPressed(row);
        moveAfterEnter(row);
    }
}

void SheetView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (!keyMove_) {
        tabRunColumn_ = -1;
    }
    QTableView::currentChanged(current, previous);
}

void SheetView::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    emit scrolled();
}

void SheetView::updateGeometries() {
    QTableView::updateGeometries();
    emit scrolled();
}

} // namespace tarnelo
