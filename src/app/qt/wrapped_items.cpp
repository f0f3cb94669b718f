#include "app/qt/wrapped_items.hpp"

#include <QHeaderView>
#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace tarnelo {

namespace {

// The views ask their delegate for a row's height without telling it the width the text has
// (a list tells none, a tree none either), so the text is measured on one endless line. This
// delegate measures it at the width it will be drawn in.
class WrappingDelegate : public QStyledItemDelegate {
  public:
    explicit WrappingDelegate(QAbstractItemView& view) : QStyledItemDelegate(&view), view_(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem wrapped(option);
        wrapped.features |= QStyleOptionViewItem::WrapText;
        // A valid rectangle is what makes the style wrap; only its width counts.
        wrapped.rect = QRect(0, 0, std::max(widthFor(index), 40), 1);
        return QStyledItemDelegate::sizeHint(wrapped, index);
    }

  private:
    int widthFor(const QModelIndex& index) const {
        const auto* tree = qobject_cast<const QTreeView*>(&view_);
        if (tree == nullptr) {
            const auto* list = qobject_cast<const QListView*>(&view_);
            return view_.viewport()->width() - 2 * (list != nullptr ? list->spacing() : 0);
        }
        int width = tree->header()->sectionSize(index.column());
        if (index.column() == tree->header()->logicalIndex(0)) {
            // The first column gives up the indentation of the item's level.
            int depth = tree->rootIsDecorated() ? 1 : 0;
            for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
                ++depth;
            }
            width -= depth * tree->indentation();
        }
        return width;
    }

    QAbstractItemView& view_;
};

} // namespace

void wrapLongTexts(QListView& list) {
    list.setWordWrap(true);
    list.setTextElideMode(Qt::ElideNone);
    list.setUniformItemSizes(false);
    // Laid out again whenever the list's width changes.
    list.setResizeMode(QListView::Adjust);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setItemDelegate(new WrappingDelegate(list));
}

void wrapLongTexts(QTreeView& tree, int column) {
    tree.setWordWrap(true);
    tree.setUniformRowHeights(false);
    tree.setItemDelegateForColumn(column, new WrappingDelegate(tree));
    // A tree keeps its row heights when a column's width changes: they are measured again.
    QObject::connect(tree.header(), &QHeaderView::sectionResized, &tree,
                     [&tree, column](int resized) {
                         if (resized == column) {
                             tree.doItemsLayout();
                         }
                     });
}

} // namespace tarnelo
