#include "app/qt/sheet_editing.hpp"

#include "app/qt/qt_text.hpp"
#include "app/qt/sheet_model.hpp"
#include "sheet/clipboard_text.hpp"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>

namespace tarnelo {

namespace {

// The clipboard format that marks cells copied from this sheet: the first column copied.
constexpr const char* kOwnCellsFormat = "application/x-tarnelo-cells";

// No cell the user types into holds a text.
bool rowIsEmpty(const Sheet& sheet, int row) {
    for (int c = 0; c < Sheet::kColumns; ++c) {
        if (!sheet.isReadOnly(c) && !sheet.cell(row, c).empty()) {
            return false;
        }
    }
    return true;
}

constexpr std::array<int, 6> kTypedColumns{col::起点距, col::水深, col::相对,
                                           col::N,      col::T,    col::测点流速};

// A row of the document as the sheet shows it: the typed columns from the gauging, the others
// as the last 计算 wrote them.
RowTexts shownRow(const Document& document, std::size_t row) {
    RowTexts texts = document.computedTexts(static_cast<int>(row));
    for (const int c : kTypedColumns) {
        texts[static_cast<std::size_t>(c)] = typedText(document.gauging().rows[row], c);
    }
    return texts;
}

void widen(CellRange& range, int row, int column) {
    if (range.empty()) {
        range = {row, column, row, column};
        return;
    }
    range.top = std::min(range.top, row);
    range.bottom = std::max(range.bottom, row);
    range.left = std::min(range.left, column);
    range.right = std::max(range.right, column);
}

} // namespace

SheetEditing::SheetEditing(SheetView& grid, SheetModel& model, QHeaderView& rowNumbers,
                           Document& document, std::function<void(std::string_view)> status,
                           QObject* parent)
    : QObject(parent), grid_(grid), model_(model), status_(std::move(status)), document_(document) {
    stepBack = [this](bool undo) { return undo ? document_.undo() : document_.redo(); };
    model_.typed = [this](int row, int column, const std::string& text) {
        document_.setCell(row, column, text);
    };
    connect(&grid_, &SheetView::requested, this, &SheetEditing::handle);
    connect(&grid_, &SheetView::readOnlyTyped, this,
            [this](int column) { status_(readOnlyColumnStatus(column)); });
    connect(&grid_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showMenu(grid_.viewport(), at); });
    connect(&rowNumbers, &QWidget::customContextMenuRequested, this,
            [this, &rowNumbers](const QPoint& at) { showMenu(&rowNumbers, at); });
}

CellRange SheetEditing::selection() const {
    CellRange range;
    bool any = false;
    for (const QItemSelectionRange& part : grid_.selectionModel()->selection()) {
        if (!any) {
            range = {part.top(), part.left(), part.bottom(), part.right()};
            any = true;
            continue;
        }
        range.top = std::min(range.top, part.top());
        range.left = std::min(range.left, part.left());
        range.bottom = std::max(range.bottom, part.bottom());
        range.right = std::max(range.right, part.right());
    }
    if (!any && grid_.currentIndex().isValid()) {
        const QModelIndex here = grid_.currentIndex();
        range = {here.row(), here.column(), here.row(), here.column()};
    }
    return range;
}

void SheetEditing::handle(SheetView::Request request) {
    grid_.commitPendingEdit();
    const Sheet& sheet = model_.sheet();
    switch (request) {
    case SheetView::Request::Copy:
        copy();
        break;
    case SheetView::Request::Cut:
        copy();
        perform(emptyingEdit(sheet, selection(), edits::kCut));
        break;
    case SheetView::Request::Paste:
        paste();
        break;
    case SheetView::Request::Delete: {
        SheetEdit edit = emptyingEdit(sheet, selection(), edits::kDelete);
        const std::size_t emptied = edit.writes.size();
        perform(std::move(edit));
        // Emptying more than one cell asks nothing; the status bar says how many, and how to
        // take it back.
        if (emptied > 1) {
            status_("已清空 " + std::to_string(emptied) + " 个单元格（Ctrl+Z 撤销）。");
        }
        break;
    }
    case SheetView::Request::Undo:
    case SheetView::Request::Redo: {
        const bool undo = request == SheetView::Request::Undo;
        const std::string name(undo ? document_.undoName() : document_.redoName());
        lastShown_ = {};
        bool done = false;
        batched([&] { done = stepBack(undo); });
        if (done) {
            select(lastShown_);
        }
        status_(undo ? undoStatus(done ? name : std::string_view())
                     : redoStatus(done ? name : std::string_view()));
        break;
    }
    case SheetView::Request::InsertRowsAbove:
        insertRows(false);
        break;
    case SheetView::Request::InsertRowsBelow:
        insertRows(true);
        break;
    case SheetView::Request::InsertPoint:
        insertPoint();
        break;
    case SheetView::Request::RemoveRows: {
        const CellRange range = selection();
        if (!range.empty()) {
            document_.removeRows(range.top, range.rows());
        }
        break;
    }
    }
}

void SheetEditing::copy() {
    const CellRange range = selection();
    if (range.empty()) {
        return;
    }
    auto* data = new QMimeData;
    data->setText(qtext(toTabSeparated(model_.sheet(), range)));
    data->setHtml(qtext(toHtmlTable(model_.sheet(), range)));
    // Where the block came from, so that it goes back into the same columns.
    data->setData(QString::fromLatin1(kOwnCellsFormat), QByteArray::number(range.left));
    QApplication::clipboard()->setMimeData(data);
}

void SheetEditing::paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const QString text = data != nullptr ? data->text() : QString();
    const CellRange range = selection();
    if (text.isEmpty() || range.empty()) {
        return;
    }
    int copiedLeft = -1;
    if (data->hasFormat(QString::fromLatin1(kOwnCellsFormat))) {
        bool number = false;
        const int left = data->data(QString::fromLatin1(kOwnCellsFormat)).toInt(&number);
        copiedLeft = number ? left : -1;
    }
    const CellBlock block = parseTabSeparated(utf8(text));
    const PasteRule rule = pasteRuleFor(model_.sheet(), block, range, copiedLeft);
    const PastePlan plan = planPaste(model_.sheet(), block, range, rule, copiedLeft);
    perform(pasteEdit(model_.sheet(), plan));
    status_(pasteStatus(plan));
}

void SheetEditing::insertRows(bool below) {
    const CellRange range = selection();
    if (range.empty()) {
        return;
    }
    document_.insertRows(below ? range.bottom + 1 : range.top, range.rows());
}

void SheetEditing::insertPoint() {
    const CellRange range = selection();
    if (range.empty()) {
        return;
    }
    const Sheet& sheet = model_.sheet();
    const int row = range.bottom;
    int at = row + 1;
    if (rowIsEmpty(sheet, row)) {
        // The empty row right under a vertical's last point (a point row perhaps still being
        // typed): the point goes there, inside the vertical; under another empty row there is no
        // vertical to add a point to.
        if (row == 0 || rowIsEmpty(sheet, row - 1)) {
            status_("第 " + std::to_string(row + 1) +
                    " 行是空行，没有垂线可以插入测点：请把光标放在要加测点的垂线上，再按 Ctrl+I。");
            return;
        }
        at = row;
    }
    // Below the last point of the vertical the cursor is on, the cursor on its 相对.
    while (at < sheet.rowCount() && model_.isPointRow(at)) {
        ++at;
    }
    document_.insertRows(at, 1, edits::kInsertPoint);
    const QModelIndex relative = model_.index(at, col::相对);
    grid_.setCurrentIndex(relative);
    grid_.scrollTo(relative);
    status_("已在第 " + std::to_string(at + 1) +
            " 行插入测点行：填写相对位置和测点的测量值，起点距、水深留空。");
}

void SheetEditing::perform(const SheetEdit& edit) {
    std::vector<CellText> cells;
    cells.reserve(edit.writes.size());
    for (const CellWrite& write : edit.writes) {
        cells.push_back({write.row, write.column, write.text});
    }
    bool done = false;
    batched([&] { done = document_.setCells(cells, edit.name); });
    const CellRange focus = edit.focus;
    if (done && !focus.empty() && focus.rows() * focus.columns() > 1) {
        select(focus);
    }
}

void SheetEditing::showDocument() {
    const std::vector<GaugingRow>& rows = document_.gauging().rows;
    const RowsChange& moved = document_.rowsChange();
    Sheet& sheet = model_.sheet();
    const auto shown = static_cast<int>(shown_.size());
    const int gained = static_cast<int>(rows.size()) - shown;
    // Rows gained or lost among the rows shown move the sheet's rows; at its end the sheet
    // only grows.
    const bool among = gained != 0 && moved.after - moved.before == gained && moved.first < shown;
    batched([&] {
        for (int i = 0; among && i < gained; ++i) {
            sheet.insertRow(moved.first);
            shown_.insert(shown_.begin() + moved.first, RowTexts{});
        }
        for (int i = 0; among && i < -gained; ++i) {
            sheet.removeRow(moved.first);
            shown_.erase(shown_.begin() + moved.first);
        }
        shown_.resize(rows.size());
        sheet.growTo(static_cast<int>(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const RowTexts texts = shownRow(document_, r);
            for (std::size_t c = 0; c < texts.size(); ++c) {
                if (texts[c] != shown_[r][c]) {
                    sheet.setCell(static_cast<int>(r), static_cast<int>(c), texts[c]);
                    // Undo and redo select the typed cells they put back; what a computation
                    // wrote or took away moves no selection.
                    if (typesColumn(document_.gauging().mode, static_cast<int>(c))) {
                        widen(lastShown_, static_cast<int>(r), static_cast<int>(c));
                    }
                }
            }
            shown_[r] = texts;
        }
    });
}

void SheetEditing::batched(const std::function<void()>& change) {
    model_.beginBatch();
    change();
    model_.endBatch();
}

void SheetEditing::select(CellRange range) {
    const int rows = model_.rowCount();
    range.bottom = std::min(range.bottom, rows - 1);
    range.right = std::min(range.right, Sheet::kColumns - 1);
    if (range.empty() || range.top >= rows) {
        return;
    }
    const QModelIndex topLeft = model_.index(range.top, range.left);
    grid_.selectionModel()->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
    grid_.selectionModel()->select(QItemSelection(topLeft, model_.index(range.bottom, range.right)),
                                   QItemSelectionModel::ClearAndSelect);
    grid_.scrollTo(topLeft);
}

void SheetEditing::showMenu(QWidget* over, const QPoint& at) {
    QMenu menu(over);
    menu.setObjectName(QStringLiteral("表格菜单"));
    const auto add = [&](const char* text, const QKeySequence& keys, SheetView::Request request) {
        QAction* action = menu.addAction(QString::fromUtf8(text));
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
        connect(action, &QAction::triggered, this, [this, request] { handle(request); });
        return action;
    };
    add("撤销", QKeySequence(QStringLiteral("Ctrl+Z")), SheetView::Request::Undo)
        ->setEnabled(document_.canUndo());
    add("重做", QKeySequence(QStringLiteral("Ctrl+Y")), SheetView::Request::Redo)
        ->setEnabled(document_.canRedo());
    menu.addSeparator();
    add("剪切", QKeySequence(QStringLiteral("Ctrl+X")), SheetView::Request::Cut);
    add("复制", QKeySequence(QStringLiteral("Ctrl+C")), SheetView::Request::Copy);
    add("粘贴", QKeySequence(QStringLiteral("Ctrl+V")), SheetView::Request::Paste);
    add("清除内容", QKeySequence(QStringLiteral("Del")), SheetView::Request::Delete);
    menu.addSeparator();
    add("在上方插入行", QKeySequence(QStringLiteral("Ctrl++")),
        SheetView::Request::InsertRowsAbove);
    add("在下方插入行", QKeySequence(), SheetView::Request::InsertRowsBelow);
    add("插入测点", QKeySequence(QStringLiteral("Ctrl+I")), SheetView::Request::InsertPoint);
    add("删除行", QKeySequence(QStringLiteral("Ctrl+-")), SheetView::Request::RemoveRows);
    menu.exec(over->mapToGlobal(at));
}

} // namespace tarnelo
