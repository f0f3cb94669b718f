#include "app/qt/sheet_model.hpp"

#include "app/qt/findings_view.hpp"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace tarnelo {

namespace {

// Cells the user cannot type into are tinted, so the typed columns of a mode stand out.
const QColor kReadOnlyBackground(0xEE, 0xF1, 0xF4);
// Computed values that no longer belong to the input, grey like the outdated results.
const QColor kStaleText(0x9A, 0x9A, 0x9A);
// A point row, one more point of the vertical above it: tinted, its empty 起点距 marked.
const QColor kPointRowBackground(0xEC, 0xF4, 0xE4);
const QColor kPointRowMark(0x7A, 0x96, 0x6A);

} // namespace

// In 垂线模式 the sheet computes 测点流速, in 测速模式 the user types it.
bool SheetModel::isPointRow(int row) const {
    const auto filled = [&](int column) { return !sheet_.cell(row, column).empty(); };
    const bool measured =
        sheet_.isReadOnly(col::测点流速) ? filled(col::N) && filled(col::T) : filled(col::测点流速);
    return measured && !filled(col::起点距) && !filled(col::水深) && filled(col::相对);
}

namespace {} // namespace

SheetModel::SheetModel(Sheet& sheet, QObject* parent)
    : QAbstractTableModel(parent), sheet_(sheet), shownRows_(sheet.rowCount()) {
    sheet_.setObserver(this);
}

SheetModel::~SheetModel() {
    sheet_.setObserver(nullptr);
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Sheet::kColumns;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_) {
        return {};
    }
    if (marks_ != nullptr) {
        if (QVariant mark = marks_->data(index.row(), index.column(), role); mark.isValid()) {
            // A computed cell with a finding of its own in a row with an error says both.
            if (role == Qt::ToolTipRole && sheet_.isReadOnly(index.column())) {
                if (const QVariant row = marks_->computedData(index.row(), role); row.isValid()) {
                    return row.toString() + QLatin1Char('\n') + mark.toString();
                }
            }
            return mark;
        }
        if (sheet_.isReadOnly(index.column()) && !(stale_ && role == Qt::ToolTipRole)) {
            if (QVariant mark = marks_->computedData(index.row(), role); mark.isValid()) {
                return mark;
            }
        }
    }
    const bool pointRow = isPointRow(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (pointRow && index.column() == col::起点距) {
            return QStringLiteral("└ 测点");
        }
        return QString::fromStdString(sheet_.cell(index.row(), index.column()));
    case Qt::EditRole:
        return QString::fromStdString(sheet_.cell(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::BackgroundRole:
        if (sheet_.isReadOnly(index.column())) {
            return QBrush(kReadOnlyBackground);
        }
        if (pointRow) {
            return QBrush(kPointRowBackground);
        }
        return {};
    case Qt::ForegroundRole:
        if (pointRow && index.column() == col::起点距) {
            return QBrush(kPointRowMark);
        }
        if (stale_ && sheet_.isReadOnly(index.column())) {
            return QBrush(kStaleText);
        }
        return {};
    case Qt::ToolTipRole:
        if (stale_ && sheet_.isReadOnly(index.column()) &&
            !sheet_.cell(index.row(), index.column()).empty()) {
            return QStringLiteral("计算后输入已修改，这一值已过时，请重新计算。");
        }
        if (pointRow && !sheet_.isReadOnly(index.column())) {
            return QStringLiteral("测点行：上面那条测速垂线的又一个测点（起点距、水深留空）。");
        }
        return {};
    default:
        return {};
    }
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= shownRows_ ||
        sheet_.isReadOnly(index.column())) {
        return false;
    }
    // The sheet tells us about the change (cellChanged), which emits dataChanged.
    if (typed) {
        typed(index.row(), index.column(), value.toString().toStdString());
    } else {
        sheet_.setCell(index.row(), index.column(), value.toString().toStdString());
    }
    return true;
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!sheet_.isReadOnly(index.column())) {
        result |= Qt::ItemIsEditable;
    }
    return result;
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return QString::fromUtf8(Sheet::heading(section).data(),
                                 static_cast<qsizetype>(Sheet::heading(section).size()));
    }
    return section + 1;
}

void SheetModel::setStale(bool stale) {
    if (stale_ != stale) {
        stale_ = stale;
        allCellsChanged();
    }
}

void SheetModel::beginBatch() {
    ++batchDepth_;
}

void SheetModel::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) {
        return;
    }
    catchUpRows();
    if (pendingAll_) {
        allCellsChanged();
    } else if (pendingCells_) {
        // Rows that became point rows or stopped being one repaint whole.
        const bool whole = pointRowsChanged(dirtyTop_, dirtyBottom_);
        emit dataChanged(index(dirtyTop_, whole ? 0 : dirtyLeft_),
                         index(dirtyBottom_, whole ? Sheet::kColumns - 1 : dirtyRight_));
    }
    pendingAll_ = false;
    pendingCells_ = false;
    if (pendingLayout_) {
        pendingLayout_ = false;
        emit sheetLayoutChanged();
    }
}

void SheetModel::cellChanged(int row, int column) {
    if (batchDepth_ > 0) {
        if (!pendingCells_) {
            pendingCells_ = true;
            dirtyTop_ = dirtyBottom_ = row;
            dirtyLeft_ = dirtyRight_ = column;
        } else {
            dirtyTop_ = std::min(dirtyTop_, row);
            dirtyBottom_ = std::max(dirtyBottom_, row);
            dirtyLeft_ = std::min(dirtyLeft_, column);
            dirtyRight_ = std::max(dirtyRight_, column);
        }
        return;
    }
    catchUpRows();
    if (row < shownRows_) {
        const QModelIndex at = index(row, column);
        emit dataChanged(at, at);
        // A typed cell can make its row a point row or take that away: the whole row repaints.
        if (pointRowsChanged(row, row)) {
            emit dataChanged(index(row, 0), index(row, Sheet::kColumns - 1));
        }
    }
}

void SheetModel::sheetReset() {
    if (batchDepth_ > 0) {
        pendingAll_ = true;
        return;
    }
    catchUpRows();
    allCellsChanged();
}

void SheetModel::layoutChanged() {
    if (batchDepth_ > 0) {
        pendingLayout_ = true;
        pendingAll_ = true;
        return;
    }
    allCellsChanged();
    emit sheetLayoutChanged();
}

void SheetModel::rowsInserted(int at, int count) {
    // Rows appended earlier in a batch and not announced yet stay at the end, behind these.
    if (at <= shownRows_) {
        beginInsertRows(QModelIndex(), at, at + count - 1);
        shownRows_ += count;
        endInsertRows();
    }
    if (batchDepth_ > 0) {
        pendingAll_ = true;
    }
}

void SheetModel::rowsRemoved(int at, int count) {
    const int announced = std::min(count, shownRows_ - at);
    if (announced > 0) {
        beginRemoveRows(QModelIndex(), at, at + announced - 1);
        shownRows_ -= announced;
        endRemoveRows();
    }
    if (batchDepth_ > 0) {
        pendingAll_ = true;
    }
}

void SheetModel::catchUpRows() {
    const int rows = sheet_.rowCount();
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        // The sheet never shrinks; should it ever, the views start over.
        beginResetModel();
        shownRows_ = rows;
        endResetModel();
    }
}

bool SheetModel::pointRowsChanged(int first, int last) {
    if (pointRows_.size() != static_cast<std::size_t>(shownRows_)) {
        pointRows_.assign(static_cast<std::size_t>(shownRows_), false);
        first = 0;
        last = shownRows_ - 1;
    }
    bool changed = false;
    for (int r = std::max(first, 0); r <= last && r < shownRows_; ++r) {
        const bool now = isPointRow(r);
        if (pointRows_[static_cast<std::size_t>(r)] != now) {
            pointRows_[static_cast<std::size_t>(r)] = now;
            changed = true;
        }
    }
    return changed;
}

void SheetModel::allCellsChanged() {
    pointRowsChanged(0, shownRows_ - 1);
    if (shownRows_ > 0) {
        emit dataChanged(index(0, 0), index(shownRows_ - 1, Sheet::kColumns - 1));
    }
}

} // namespace tarnelo
