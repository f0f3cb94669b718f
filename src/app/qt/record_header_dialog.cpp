#include "app/qt/record_header_dialog.hpp"

#include "files/record_header.hpp"

#include <QBrush>
#include <QFont>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>

#include <QKeyEvent>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace tarnelo {

namespace {

// Label columns need more room than value columns; together they fill the 643-pixel grid as
// the eight 80-pixel columns do.
constexpr std::array<int, RecordHeaderGrid::kColumns> kColumnWidths{100, 72, 84, 112,
                                                                    88,  56, 76, 52};
// The rows of long captions ("流速仪检定后使用次数：") take two lines; the empty separator
// rows give up the height, so the 15 rows still fill the grid as 15 rows of 24 pixels do.
constexpr std::array<int, RecordHeaderGrid::kRows> kRowHeights{25, 34, 34, 34, 7,  34, 34, 7,
                                                               24, 24, 24, 24, 24, 7,  24};

const QColor kLabelBackground(0xE4, 0xEA, 0xF0);
const QColor kTitleBackground(0xCF, 0xDA, 0xE4);

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

// The table, able to commit an edit in progress before the grid is read. Tab and Shift+Tab go
// from field to field in reading order, past the captions; Enter on a field that is not being
// edited is 返回.
class RecordHeaderTable : public QTableWidget {
  public:
    using QTableWidget::QTableWidget;

    std::function<void()> finished;

    // The fields, row by row.
    static std::vector<GridCell> fields() {
        std::vector<GridCell> cells(kRecordHeaderCells.begin(), kRecordHeaderCells.end());
        std::sort(cells.begin(), cells.end(), [](const GridCell& a, const GridCell& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        return cells;
    }

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action != MoveNext && action != MovePrevious) {
            return QTableWidget::moveCursor(action, modifiers);
        }
        const std::vector<GridCell> cells = fields();
        const QModelIndex here = currentIndex();
        const auto at = std::find_if(cells.begin(), cells.end(), [&](const GridCell& cell) {
            return cell.row == here.row() && cell.column == here.column();
        });
        std::ptrdiff_t i = at == cells.end() ? -1 : at - cells.begin();
        const auto count = static_cast<std::ptrdiff_t>(cells.size());
        i = action == MoveNext ? (i + 1) % count : (i <= 0 ? count - 1 : i - 1);
        const GridCell& next = cells[static_cast<std::size_t>(i)];
        return model()->index(next.row, next.column);
    }

    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && state() != EditingState && finished) {
            finished();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }

  public:
    void commitPendingEdit() {
        if (state() != QAbstractItemView::EditingState) {
            return;
        }
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

RecordHeaderDialog::RecordHeaderDialog(const RecordHeader& header, std::string_view factor,
                                       std::string_view constant, const LocalDateTime& now,
                                       QWidget* parent, bool proposeTime)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("制表数据..."));
    setFixedSize(kClientWidth, kClientHeight);
    move(50, 50);
    setModal(true);

    grid_ = buildRecordHeaderGrid(factor, constant, now);
    if (!proposeTime) {
        // An opened gauging has its own time, or none: never the time the dialog opened.
        grid_.setText(1, 3, "");
    }
    showRecordHeader(grid_, header);

    table_ = new RecordHeaderTable(RecordHeaderGrid::kRows, RecordHeaderGrid::kColumns, this);
    table_->setObjectName(QStringLiteral("制表数据表格"));
    table_->setGeometry(5, 5, 643, 364);
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(RecordHeaderGrid::kRowHeight);
    table_->verticalHeader()->setMinimumSectionSize(1);
    table_->horizontalHeader()->setDefaultSectionSize(RecordHeaderGrid::kColumnWidth);
    table_->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < RecordHeaderGrid::kColumns; ++c) {
        table_->setColumnWidth(c, kColumnWidths[static_cast<std::size_t>(c)]);
    }
    for (int r = 0; r < RecordHeaderGrid::kRows; ++r) {
        table_->setRowHeight(r, kRowHeights[static_cast<std::size_t>(r)]);
    }
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(true);
    table_->setTextElideMode(Qt::ElideRight);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);

    QFont titleFont = font();
    titleFont.setBold(true);
    QFont labelFont = font();
    labelFont.setPointSizeF(labelFont.pointSizeF() - 1);
    for (const GridMerge& m : grid_.merges()) {
        table_->setSpan(m.row, m.firstColumn, 1, m.lastColumn - m.firstColumn + 1);
    }
    for (int r = 0; r < RecordHeaderGrid::kRows; ++r) {
        for (int c = 0; c < RecordHeaderGrid::kColumns; ++c) {
            if (grid_.anchor(r, c) != GridCell{r, c}) {
                continue;
            }
            auto* item = new QTableWidgetItem(qtext(grid_.text(r, c)));
            item->setToolTip(item->text());
            if (grid_.isReadOnly(r, c)) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(r == 0 ? kTitleBackground : kLabelBackground);
                item->setFont(r == 0 ? titleFont : labelFont);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            }
            table_->setItem(r, c, item);
        }
    }
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        item->setToolTip(item->text());
        edited_ = true;
    });

    returnButton_ = new QPushButton(QStringLiteral("返  回"), this);
    returnButton_->setObjectName(QStringLiteral("制表完成"));
    returnButton_->setGeometry(528, 378, 80, 24);
    // Enter in the grid must not close the dialog.
    returnButton_->setAutoDefault(false);
    returnButton_->setDefault(false);
    connect(returnButton_, &QPushButton::clicked, this, &RecordHeaderDialog::giveBackAndClose);
    returnButton_->setToolTip(QStringLiteral("保存制表数据并关闭（在表格中按 Enter 亦可）"));
    table_->finished = [this] { giveBackAndClose(); };
    // The cursor starts on the first field, not on a caption.
    const GridCell first = RecordHeaderTable::fields().front();
    table_->setCurrentCell(first.row, first.column);
    table_->setFocus();
}

QTableWidget* RecordHeaderDialog::table() const {
    return table_;
}

RecordHeaderGrid RecordHeaderDialog::currentGrid() const {
    RecordHeaderGrid grid = grid_;
    for (const GridCell& cell : kRecordHeaderCells) {
        const QTableWidgetItem* item = table_->item(cell.row, cell.column);
        grid.setText(cell.row, cell.column, item != nullptr ? item->text().toStdString() : "");
    }
    return grid;
}

void RecordHeaderDialog::giveBackAndClose() {
    table_->commitPendingEdit();
    const std::array<std::string, kRecordHeaderFields> values = recordHeaderValues(currentGrid());
    if (const std::optional<std::string> problem = recordHeaderProblem(values)) {
        if (reportProblem) {
            reportProblem(*problem);
        } else {
            QMessageBox::warning(this, QStringLiteral("Tarnelo"), QString::fromStdString(*problem));
        }
        return;
    }
    values_ = values;
    accept();
}

} // namespace tarnelo
