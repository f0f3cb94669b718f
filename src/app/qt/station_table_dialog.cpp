#include "app/qt/station_table_dialog.hpp"
#include "app/qt/file_dialog.hpp"

#include "app/qt/qt_text.hpp"
#include "app/qt/screen_fit.hpp"
#include "app/qt/station_outputs.hpp"
#include "measure/numtext.hpp"
#include "window/program_paths.hpp"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <map>

namespace tarnelo {

namespace {

// Columns whose texts are numbers sort as numbers.
bool numericColumn(std::size_t column) {
    return column == 0 || column == 1 || column == 2 || (column >= 7 && column <= 16) ||
           column >= 18;
}

constexpr int kFileRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;
// The label of the row's point in the relation (施测号数, "27#2" when repeated); none for a row
// without stage or discharge.
constexpr int kLabelRole = Qt::UserRole + 3;

constexpr auto kClassKey = kStationClassSetting;

// The kept exclusions of a station's year: "label\treason" each, "label\treason\t保留" for a
// gauging reviewed and kept in the fit.
QString exclusionsKey(const station::StationTable& table) {
    QString name = qtext(table.station).trimmed();
    // A station's name must not make groups of the settings.
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    if (name.isEmpty()) {
        name = QStringLiteral("未名测站");
    }
    return QStringLiteral("rating/exclusions/%1/%2").arg(name).arg(table.year);
}

constexpr auto kKeptMark = "保留";

std::string excludedText(const station::Exclusion& e) {
    return "施测号数 " + e.label + (e.kept ? " 经复核保留，参加定线：" : " 不参加定线：") +
           e.reason;
}

// Tells what the class sets, with the indices and where they come from.
QString classTip() {
    std::string tip = "测站类别选定水位流量关系的定线精度指标：";
    for (const auto c : {station::StationClass::First, station::StationClass::Second,
                         station::StationClass::Third}) {
        const station::PrecisionIndex index = station::precisionIndex(c);
        tip += "\n" + station::className(c) + "：系统误差不超过 ±" +
               num::plainText(index.systematic) + "%，随机不确定度不超过 " +
               num::plainText(index.random) + "%";
    }
    tip +=
        "\n（" + std::string(station::precisionIndex(station::StationClass::First).source) + "）";
    return qtext(tip);
}

// A cell that shows its text as the form prints it and sorts by its number when it has one.
class TableItem : public QTableWidgetItem {
  public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(kNumberRole);
        const QVariant theirs = other.data(kNumberRole);
        if (mine.isValid() && theirs.isValid()) {
            return mine.toDouble() < theirs.toDouble();
        }
        if (mine.isValid() != theirs.isValid()) {
            return mine.isValid();
        }
        return QTableWidgetItem::operator<(other);
    }
};

} // namespace

StationTableDialog::StationTableDialog(Window& owner,
                                       std::function<void(const std::filesystem::path&)> open,
                                       QWidget* parent)
    : QDialog(parent), owner_(owner), open_(std::move(open)) {
    setObjectName(QStringLiteral("实测流量成果表"));
    setWindowTitle(QStringLiteral("实测流量成果表"));
    // A window of its own rather than a dialog kept over the main window: a gauging opened from
    // the table is then seen in the main window, which comes forward.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("成果表标题"));
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title_->setFont(big);
    title_->setAlignment(Qt::AlignCenter);

    makeGrid();

    problems_ = new QPlainTextEdit(this);
    problems_->setObjectName(QStringLiteral("问题"));
    problems_->setReadOnly(true);
    problems_->setMaximumHeight(110);

    QHBoxLayout* buttons = makeButtons();
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("成果表状态"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path never widens the window; the tooltip has it whole.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(grid_, 1);
    layout->addWidget(new QLabel(QStringLiteral("未列入或需注意的文件，不参加定线的测次："), this));
    layout->addWidget(problems_);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    fitToScreen(*this, QSize(1180, 660), parent);
    fill();
}

void StationTableDialog::makeGrid() {
    const auto columns = station::tableColumns();
    grid_ = new QTableWidget(0, static_cast<int>(columns.size()), this);
    grid_->setObjectName(QStringLiteral("成果表"));
    QStringList headings;
    for (const auto& column : columns) {
        QString heading = qtext(column.group.empty()
                                    ? column.name
                                    : std::string(column.group) + "\n" + std::string(column.name));
        if (!column.unit.empty()) {
            heading += QStringLiteral("\n(") + qtext(column.unit) + QStringLiteral(")");
        }
        headings << heading;
    }
    grid_->setHorizontalHeaderLabels(headings);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->hide();
    grid_->setSortingEnabled(true);
    grid_->setWordWrap(false);
    grid_->setToolTip(
        QStringLiteral("单击列头排序；双击一行打开该次测验；施测号数前打勾的测次参加定线"));
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { openRow(row); });
    connect(grid_, &QTableWidget::itemChanged, this,
            [this](QTableWidgetItem* item) { participationChanged(*item); });
}

// The row of buttons under the table, each connected.
QHBoxLayout* StationTableDialog::makeButtons() {
    auto* choose = new QPushButton(QStringLiteral("选择文件夹..."), this);
    choose->setObjectName(QStringLiteral("选择文件夹"));
    export_ = new QPushButton(QStringLiteral("导出成果表..."), this);
    export_->setObjectName(QStringLiteral("导出成果表"));
    print_ = new QPushButton(QStringLiteral("打印成果表..."), this);
    print_->setObjectName(QStringLiteral("打印成果表"));
    relation_ = new QPushButton(QStringLiteral("水位流量关系..."), this);
    relation_->setObjectName(QStringLiteral("水位流量关系"));
    auto* fromStore = new QPushButton(QStringLiteral("从数据库读入..."), this);
    fromStore->setObjectName(QStringLiteral("从数据库读入"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    class_ = new QComboBox(this);
    class_->setObjectName(QStringLiteral("测站类别"));
    for (const auto c : {station::StationClass::First, station::StationClass::Second,
                         station::StationClass::Third}) {
        class_->addItem(qtext(station::className(c)), static_cast<int>(c));
    }
    class_->setToolTip(classTip());
    const int kept = class_->findData(QSettings().value(QString::fromLatin1(kClassKey)).toInt());
    class_->setCurrentIndex(kept >= 0 ? kept : class_->findData(2));
    connect(class_, &QComboBox::currentIndexChanged, this, [this] {
        QSettings().setValue(QString::fromLatin1(kClassKey), static_cast<int>(stationClass()));
        relationChanged();
    });
    auto* classLabel = new QLabel(QStringLiteral("测站类别："), this);
    classLabel->setBuddy(class_);
    classLabel->setToolTip(class_->toolTip());
    for (QPushButton* b : {choose, fromStore, export_, print_, relation_, close}) {
        b->setAutoDefault(false);
    }
    connect(choose, &QPushButton::clicked, this, [this] {
        QFileDialog box(this, QStringLiteral("选择存放测验文件的文件夹"), qpath(startFolder()));
        box.setFileMode(QFileDialog::Directory);
        box.setOption(QFileDialog::ShowDirsOnly, true);
        box.setObjectName(QStringLiteral("测验文件夹对话框"));
        withoutExamples(box);
        if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()) {
            loadFolder(toPath(box.selectedFiles().constFirst()));
        }
    });
    connect(fromStore, &QPushButton::clicked, this, [this] { chooseStore(); });
    connect(export_, &QPushButton::clicked, this, [this] { exportTable(); });
    connect(print_, &QPushButton::clicked, this, [this] { printTable(); });
    connect(relation_, &QPushButton::clicked, this, [this] { showRelation(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(choose);
    buttons->addWidget(fromStore);
    buttons->addStretch(1);
    buttons->addWidget(export_);
    buttons->addWidget(print_);
    buttons->addWidget(classLabel);
    buttons->addWidget(class_);
    buttons->addWidget(relation_);
    buttons->addWidget(close);
    return buttons;
}

void StationTableDialog::showEvent(QShowEvent* event) {
    // Not owned by the main window either (Windows keeps an owned window over its owner).
    if (QWindow* handle = windowHandle()) {
        handle->setTransientParent(nullptr);
    }
    QDialog::showEvent(event);
}

bool StationTableDialog::loadKeptFolder() {
    const std::filesystem::path none;
    const std::filesystem::path kept = keptFolder(kStationFolderSetting, none);
    return !kept.empty() && loadFolder(kept);
}

std::filesystem::path StationTableDialog::startFolder() const {
    return keptFolder(kStationFolderSetting, paths::textDataFolder(owner_.documentFolder()));
}

void StationTableDialog::openRow(int row) {
    const QTableWidgetItem* item = grid_->item(row, 0);
    if (item == nullptr) {
        return;
    }
    const std::filesystem::path file = toPath(item->data(kFileRole).toString());
    if (!storeLocation_.empty()) {
        // A gauging of the store, read as NAME.dat.
        if (openStored) {
            openStored(storeLocation_, paths::toUtf8(file.stem()));
        }
    } else if (open_) {
        open_(file);
    }
    // The main window names the file it holds; it does not when the user kept what was there.
    if (owner_.text(ctl::编辑框当前操作数据) != paths::toUtf8(file.filename())) {
        status_->setText(QStringLiteral("未打开 ") + qpath(file.filename()));
        return;
    }
    status_->setText(QStringLiteral("已在主窗口打开施测号数 ") + item->text() +
                     QStringLiteral("（") + qpath(file.filename()) + QStringLiteral("）"));
    status_->setToolTip(qpath(file));
    if (QWidget* main = parentWidget()) {
        main->window()->raise();
        main->window()->activateWindow();
    }
}

bool StationTableDialog::loadFolder(const std::filesystem::path& folder) {
    std::vector<station::TableProblem> listing;
    const auto files = station::gaugingFiles({folder}, listing);
    QProgressDialog progress(QStringLiteral("正在读入测验文件..."), QStringLiteral("取消"), 0,
                             static_cast<int>(files.size()), this);
    progress.setObjectName(QStringLiteral("读入进度"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    std::vector<station::StationGauging> gaugings;
    gaugings.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i % 8 == 0) {
            progress.setValue(static_cast<int>(i));
            progress.setLabelText(
                QStringLiteral("正在读入测验文件 %1 / %2 ...").arg(i + 1).arg(files.size()));
            QApplication::processEvents();
            if (progress.wasCanceled()) {
                return false;
            }
        }
        gaugings.push_back(station::readGauging(files[i], threePointSetting()));
    }
    progress.setValue(static_cast<int>(files.size()));
    keepFolder(kStationFolderSetting, folder);
    storeLocation_.clear();
    table_ = station::buildStationTable(gaugings);
    table_.problems.insert(table_.problems.begin(), listing.begin(), listing.end());
    loadExclusions();
    fill();
    relationChanged();
    const std::string read = "读入 " + std::to_string(files.size()) + " 个文件，列入 " +
                             std::to_string(table_.rows.size()) + " 次测验";
    owner_.setStatus("实测流量成果表：" + read);
    status_->setText(qtext(paths::toUtf8(folder) + "：" + read));
    status_->setToolTip(qpath(folder));
    return true;
}

void StationTableDialog::fill() {
    const bool any = !table_.rows.empty();
    title_->setText(any || !table_.problems.empty()
                        ? qtext(tableTitle(table_))
                        : QStringLiteral("请选择存放测验文件的文件夹，或从数据库读入"));
    std::map<std::filesystem::path, std::string> labels;
    for (const station::RatingPoint& p : station::ratingPoints(table_)) {
        labels.emplace(p.file, p.label);
    }
    marking_ = true;
    grid_->setSortingEnabled(false);
    grid_->setRowCount(static_cast<int>(table_.rows.size()));
    for (std::size_t r = 0; r < table_.rows.size(); ++r) {
        const auto texts = station::rowTexts(table_.rows[r]);
        for (std::size_t c = 0; c < texts.size(); ++c) {
            auto* item = new TableItem(qtext(texts[c]));
            if (numericColumn(c) && num::isWholeNumber(texts[c])) {
                item->setData(kNumberRole, num::numberOf(texts[c]));
            }
            item->setTextAlignment(Qt::AlignCenter);
            if (c == 0) {
                item->setData(kFileRole, qpath(table_.rows[r].file));
                item->setToolTip(qpath(table_.rows[r].file));
                // A row that takes part in the relation is ticked; unticking leaves it out.
                if (const auto found = labels.find(table_.rows[r].file); found != labels.end()) {
                    item->setData(kLabelRole, qtext(found->second));
                    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                    item->setCheckState(Qt::Checked);
                }
            }
            grid_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
        markRow(static_cast<int>(r));
    }
    marking_ = false;
    // The table's own order (施测时间, then 施测号数) until a heading is clicked.
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid_->setSortingEnabled(true);
    grid_->resizeColumnsToContents();
    grid_->resizeRowsToContents();
    showProblems();
    export_->setEnabled(any);
    print_->setEnabled(any);
    relation_->setEnabled(any);
}

bool StationTableDialog::exportTable() {
    const FileChoice choice =
        chooseStationOutput(owner_, dlg::成果表, table_.station, table_.year, "实测流量成果表");
    if (!choice.confirmed) {
        return false;
    }
    if (const auto failed = writeStationTableWorkbook(table_, choice.path)) {
        owner_.showMessage("实测流量成果表未能保存：" + *failed, "提示：", MessageIcon::Warning);
        return false;
    }
    const std::string saved = "实测流量成果表已保存到 " + paths::toUtf8(choice.path);
    owner_.setStatus(saved);
    status_->setText(qtext(saved));
    status_->setToolTip(qpath(choice.path));
    return true;
}

void StationTableDialog::showProblems() {
    QStringList lines;
    for (const auto& p : table_.problems) {
        lines << qtext(p.file.filename().string() + "：" + p.reason);
    }
    for (const std::string& label : dropped_) {
        lines << qtext("不参加定线的施测号数 " + label + " 已不在本年测点中，已从记录中删去");
    }
    for (const station::Exclusion& e : exclusions_) {
        lines << qtext(excludedText(e));
    }
    problems_->setPlainText(lines.isEmpty() ? QStringLiteral("（无）") : lines.join('\n'));
}

ThreePointRule threePointSetting() {
    return threePointSetting(QSettings());
}

ThreePointRule threePointSetting(const QSettings& settings) {
    return settings.value(QLatin1String(kThreePointSetting)).toString() == QStringLiteral("4")
               ? ThreePointRule::Iso748
               : ThreePointRule::Equal;
}

station::StationClass StationTableDialog::stationClass() const {
    return static_cast<station::StationClass>(class_->currentData().toInt());
}

void StationTableDialog::loadExclusions() {
    exclusions_.clear();
    dropped_.clear();
    if (table_.rows.empty()) {
        return;
    }
    const auto points = station::ratingPoints(table_);
    const auto has = [&](const std::string& label) {
        return std::any_of(points.begin(), points.end(),
                           [&](const station::RatingPoint& p) { return p.label == label; });
    };
    const QStringList kept = QSettings().value(exclusionsKey(table_)).toStringList();
    for (const QString& entry : kept) {
        const QStringList fields = entry.split(QLatin1Char('\t'));
        station::Exclusion e{utf8(fields.value(0).trimmed()), utf8(fields.value(1).trimmed()),
                             fields.value(2) == QString::fromUtf8(kKeptMark)};
        // An entry without a reason was never written by the table: it leaves nothing out.
        if (e.label.empty() || e.reason.empty() ||
            std::any_of(exclusions_.begin(), exclusions_.end(),
                        [&](const auto& x) { return x.label == e.label; })) {
            continue;
        }
        if (!has(e.label)) {
            dropped_.push_back(e.label);
            continue;
        }
        exclusions_.push_back(std::move(e));
    }
    if (!dropped_.empty()) {
        saveExclusions();
    }
}

void StationTableDialog::saveExclusions() const {
    QStringList kept;
    for (const station::Exclusion& e : exclusions_) {
        kept << qtext(e.label) + QLatin1Char('\t') + qtext(e.reason.text()) +
                    (e.kept ? QLatin1Char('\t') + QString::fromUtf8(kKeptMark) : QString());
    }
    QSettings settings;
    if (kept.isEmpty()) {
        settings.remove(exclusionsKey(table_));
    } else {
        settings.setValue(exclusionsKey(table_), kept);
    }
}

void StationTableDialog::participationChanged(QTableWidgetItem& item) {
    const QVariant labelData = item.data(kLabelRole);
    if (marking_ || item.column() != 0 || !labelData.isValid()) {
        return;
    }
    const std::string label = utf8(labelData.toString());
    const auto found = std::find_if(exclusions_.begin(), exclusions_.end(),
                                    [&](const station::Exclusion& e) { return e.label == label; });
    const bool excluded = found != exclusions_.end() && !found->kept;
    const bool ticked = item.checkState() == Qt::Checked;
    if (ticked != excluded) {
        return;
    }
    if (ticked) {
        exclusions_.erase(found);
    } else {
        const auto answer =
            owner_.askText("施测号数 " + label + " 不参加定线的原因：", "不参加定线");
        // One line: the reason is kept as the text after a tab.
        const QString reason = answer ? qtext(*answer).simplified() : QString();
        if (reason.isEmpty()) {
            // Nothing is left out without a reason.
            marking_ = true;
            item.setCheckState(Qt::Checked);
            marking_ = false;
            return;
        }
        // Left out, it is no longer kept.
        if (found != exclusions_.end()) {
            exclusions_.erase(found);
        }
        exclusions_.push_back({label, utf8(reason)});
    }
    saveExclusions();
    markRow(item.row());
    showProblems();
    relationChanged();
}

void StationTableDialog::markRow(int row) {
    const QTableWidgetItem* first = grid_->item(row, 0);
    if (first == nullptr) {
        return;
    }
    const std::string label = utf8(first->data(kLabelRole).toString());
    const auto found = std::find_if(exclusions_.begin(), exclusions_.end(),
                                    [&](const station::Exclusion& e) { return e.label == label; });
    const bool decided = first->data(kLabelRole).isValid() && found != exclusions_.end();
    const bool excluded = decided && !found->kept;
    const bool wasMarking = marking_;
    marking_ = true;
    for (int c = 0; c < grid_->columnCount(); ++c) {
        QTableWidgetItem* item = grid_->item(row, c);
        if (item == nullptr) {
            continue;
        }
        if (excluded) {
            item->setForeground(grid_->palette().brush(QPalette::Disabled, QPalette::Text));
        } else {
            item->setData(Qt::ForegroundRole, QVariant());
        }
        const QString file = c == 0 ? item->data(kFileRole).toString() : QString();
        const QString why = decided ? qtext(excludedText(*found)) : QString();
        item->setToolTip(file.isEmpty() || why.isEmpty() ? file + why
                                                         : file + QLatin1Char('\n') + why);
    }
    if (excluded) {
        grid_->item(row, 0)->setCheckState(Qt::Unchecked);
    }
    marking_ = wasMarking;
}

RatingReport StationTableDialog::relation() const {
    return ratingReport(table_, exclusions_, station::RatingForm::Power, 0.10, stationClass());
}

void StationTableDialog::showRelation() {
    const bool first = relationWindow_ == nullptr;
    buildRelation();
    if (first) {
        fitToScreen(*relationWindow_, RatingWindow::fittingSize(usableArea(*relationWindow_)),
                    this);
    }
    relationWindow_->show();
    relationWindow_->raise();
    relationWindow_->activateWindow();
}

void StationTableDialog::relationChanged() {
    if (relationWindow_ == nullptr || !relationWindow_->isVisible()) {
        return;
    }
    // Without taking the keyboard from the table.
    buildRelation();
    relationWindow_->setAttribute(Qt::WA_ShowWithoutActivating);
    relationWindow_->show();
}

void StationTableDialog::keepInRelation(const std::vector<station::Exclusion>& given) {
    for (const station::Exclusion& e : given) {
        std::erase_if(exclusions_, [&](const station::Exclusion& x) { return x.label == e.label; });
        exclusions_.push_back(e);
    }
    saveExclusions();
    for (int row = 0; row < grid_->rowCount(); ++row) {
        markRow(row);
    }
    showProblems();
    relationChanged();
}

void StationTableDialog::buildRelation() {
    // A window made anew stays where the user put the old one.
    const QRect where = relationWindow_ != nullptr ? relationWindow_->geometry() : QRect();
    delete relationWindow_;
    relationWindow_ = new RatingWindow(relation(), owner_, this);
    // The window is made anew by what it hands over: after its button's click has returned.
    relationWindow_->kept = [this](std::vector<station::Exclusion> given) {
        QMetaObject::invokeMethod(
            this, [this, given = std::move(given)] { keepInRelation(given); },
            Qt::QueuedConnection);
    };
    if (where.isValid()) {
        relationWindow_->setGeometry(where);
    }
}

} // namespace tarnelo
