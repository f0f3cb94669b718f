#include "app/qt/store_dialog.hpp"

#include "app/qt/qt_text.hpp"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace tarnelo {

namespace {

constexpr int kNameRole = Qt::UserRole + 1;

QString purposeTitle(StoreDialog::Purpose purpose) {
    switch (purpose) {
    case StoreDialog::Purpose::Open:
        return QStringLiteral("从数据库打开");
    case StoreDialog::Purpose::Save:
        return QStringLiteral("保存到数据库");
    case StoreDialog::Purpose::StationYear:
        break;
    }
    return QStringLiteral("从数据库读入成果表");
}

// A list's cells: what the latest revision of each gauging says.
QStringList entryTexts(const store::GaugingEntry& e) {
    const QString station = qtext(e.stationName.empty() ? e.stationCode : e.stationName);
    return {qtext(e.name),           station,
            qtext(e.number),         qtext(e.start),
            qtext(e.stage),          qtext(e.discharge),
            qtext(e.status),         QString::number(e.latest.number),
            qtext(e.latest.savedBy), qtext(e.latest.savedAt)};
}

} // namespace

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

BusyCursor::Paused::Paused() {
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
        ++lifted_;
    }
}

BusyCursor::Paused::~Paused() {
    for (int i = 0; i < lifted_; ++i) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

StoreDialog::StoreDialog(Purpose purpose, QWidget* parent) : QDialog(parent), purpose_(purpose) {
    setObjectName(QStringLiteral("数据库对话框"));
    setWindowTitle(purposeTitle(purpose));
    QHBoxLayout* where = locationRow();
    QHBoxLayout* choice = choiceRow();
    buildList();
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("数据库状态"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    ok_ = new QPushButton(
        purpose == Purpose::Save ? QStringLiteral("保存") : QStringLiteral("打开"), this);
    ok_->setObjectName(QStringLiteral("确定"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("取消"));
    // No default button: Enter in the location connects, and never takes a gauging or a name
    // the user has not seen.
    for (QPushButton* b : {ok_, cancel}) {
        b->setAutoDefault(false);
    }
    connect(ok_, &QPushButton::clicked, this, &StoreDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(where);
    layout->addLayout(choice);
    layout->addWidget(list_, 1);
    if (purpose == Purpose::Save) {
        name_ = new QLineEdit(this);
        name_->setObjectName(QStringLiteral("测次名称"));
        auto* named = new QFormLayout;
        named->addRow(QStringLiteral("保存为测次："), name_);
        connect(name_, &QLineEdit::returnPressed, this, [this] { accept(); });
        layout->addLayout(named);
        QWidget::setTabOrder(list_, name_);
        QWidget::setTabOrder(name_, ok_);
        QWidget::setTabOrder(ok_, cancel);
    }
    if (purpose == Purpose::StationYear) {
        list_->hide();
    }
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(purpose == Purpose::StationYear ? QSize(640, 180) : QSize(900, 520));
    say(QStringLiteral("请选择或输入数据库，然后按“连接”。"));
}

QHBoxLayout* StoreDialog::locationRow() {
    location_ = new QLineEdit(this);
    location_->setObjectName(QStringLiteral("数据库位置"));
    location_->setPlaceholderText(
        QStringLiteral("SQLite 数据库文件，或 postgresql://服务器/数据库（密码不在此输入）"));
    location_->setText(QSettings().value(QLatin1String(kLastStoreSetting)).toString());
    auto* choose = new QPushButton(QStringLiteral("选择文件..."), this);
    choose->setObjectName(QStringLiteral("选择数据库文件"));
    auto* connectButton = new QPushButton(QStringLiteral("连接"), this);
    connectButton->setObjectName(QStringLiteral("连接数据库"));
    for (QPushButton* b : {choose, connectButton}) {
        b->setAutoDefault(false);
    }
    connect(choose, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(connectButton, &QPushButton::clicked, this, [this] { connectStore(); });
    connect(location_, &QLineEdit::returnPressed, this, [this] { connectStore(); });
    auto* where = new QHBoxLayout;
    where->addWidget(new QLabel(QStringLiteral("数据库："), this));
    where->addWidget(location_, 1);
    where->addWidget(choose);
    where->addWidget(connectButton);
    return where;
}

QHBoxLayout* StoreDialog::choiceRow() {
    station_ = new QComboBox(this);
    station_->setObjectName(QStringLiteral("测站"));
    year_ = new QComboBox(this);
    year_->setObjectName(QStringLiteral("年份"));
    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("查找"));
    find_->setPlaceholderText(QStringLiteral("施测号数或日期"));
    connect(station_, &QComboBox::currentIndexChanged, this, [this] {
        listYears();
        listGaugings();
    });
    connect(year_, &QComboBox::currentIndexChanged, this, [this] { listGaugings(); });
    connect(find_, &QLineEdit::textChanged, this, [this] { find(); });
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("测站："), this));
    choice->addWidget(station_, 2);
    choice->addWidget(new QLabel(QStringLiteral("年份："), this));
    choice->addWidget(year_, 1);
    auto* findLabel = new QLabel(QStringLiteral("查找："), this);
    choice->addWidget(findLabel);
    choice->addWidget(find_, 2);
    // A station's year is chosen by station and year alone.
    findLabel->setVisible(purpose_ != Purpose::StationYear);
    find_->setVisible(purpose_ != Purpose::StationYear);
    return choice;
}

void StoreDialog::buildList() {
    const QStringList headings = {"名称", "测站",     "施测号数", "施测时间", "水位",
                                  "流量", "计算情况", "版本",     "保存者",   "保存时间"};
    list_ = new QTableWidget(0, static_cast<int>(headings.size()), this);
    list_->setObjectName(QStringLiteral("测次列表"));
    list_->setHorizontalHeaderLabels(headings);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->verticalHeader()->hide();
    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] {
        const QTableWidgetItem* chosen = list_->currentItem();
        if (name_ != nullptr && chosen != nullptr) {
            name_->setText(list_->item(chosen->row(), 0)->data(kNameRole).toString());
        }
    });
    // A double-click or Enter on a gauging takes it.
    connect(list_, &QTableWidget::activated, this, [this] { accept(); });
}

void StoreDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    const store::Location kept = store::locationOf(utf8(location_->text().trimmed()));
    std::error_code error;
    if (!kept.text.empty() && kept.engine == store::Location::Engine::SQLite &&
        std::filesystem::is_regular_file(toPath(qtext(kept.text)), error)) {
        QTimer::singleShot(0, this, [this] {
            if (!store_) {
                connectStore();
            }
        });
    }
}

void StoreDialog::setProposedName(const QString& name) {
    if (name_ != nullptr) {
        name_->setText(name);
    }
}

void StoreDialog::chooseFile() {
    QFileDialog box(this, QStringLiteral("选择 SQLite 数据库文件"), location_->text());
    box.setObjectName(QStringLiteral("数据库文件对话框"));
    box.setNameFilters(
        {QStringLiteral("Tarnelo 数据库（*.sqlite *.db）"), QStringLiteral("所有文件（*）")});
    // Saving may name a new file, which becomes a new store.
    box.setAcceptMode(purpose_ == Purpose::Save ? QFileDialog::AcceptSave
                                                : QFileDialog::AcceptOpen);
    box.setOption(QFileDialog::DontConfirmOverwrite, true);
    box.setDefaultSuffix(QStringLiteral("sqlite"));
    if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()) {
        location_->setText(box.selectedFiles().constFirst());
        connectStore();
    }
}

bool StoreDialog::connectStore() {
    store_.reset();
    stations_.clear();
    {
        const QSignalBlocker quiet(station_);
        const QSignalBlocker quietToo(year_);
        station_->clear();
        year_->clear();
    }
    list_->setRowCount(0);
    const std::string text = utf8(location_->text().trimmed());
    if (text.empty()) {
        say(QStringLiteral("请输入数据库文件或服务器地址。"));
        return false;
    }
    const store::Location where = store::locationOf(text);
    say(QStringLiteral("正在连接 ") + qtext(where.shown) + QStringLiteral(" ..."));
    BusyCursor busy;
    const auto access = purpose_ == Purpose::Save ? store::Store::Access::ReadWrite
                                                  : store::Store::Access::ReadOnly;
    std::error_code error;
    const bool newFile = where.engine == store::Location::Engine::SQLite &&
                         !std::filesystem::exists(toPath(qtext(where.text)), error);
    if (newFile && purpose_ != Purpose::Save) {
        say(QStringLiteral("没有这个数据库文件：") + qtext(where.shown));
        return false;
    }
    // A new store is made only when asked twice: a mistyped path must not quietly become a
    // store of its own.
    if (newFile && confirmedNew_ != where.text) {
        confirmedNew_ = where.text;
        say(QStringLiteral("没有这个数据库文件：") + qtext(where.shown) +
            QStringLiteral("。如要在此新建数据库，请再按“连接”。"));
        return false;
    }
    store::Result<store::Store> opened =
        newFile ? store::Store::init(where) : store::Store::open(where, access);
    if (!opened) {
        say(QStringLiteral("无法打开数据库 ") + qtext(where.shown) + QStringLiteral("：") +
            qtext(opened.problem.message));
        return false;
    }
    store_ = std::move(*opened.value);
    QSettings().setValue(QLatin1String(kLastStoreSetting), qtext(where.shown));
    listStations();
    return store_.has_value();
}

void StoreDialog::listStations() {
    auto held = store_->stations();
    if (!held) {
        say(QStringLiteral("无法列出测站：") + qtext(held.problem.message));
        return;
    }
    stations_ = std::move(*held.value);
    const QSignalBlocker quiet(station_);
    station_->addItem(QStringLiteral("全部测站"), QString());
    for (const auto& s : stations_) {
        station_->addItem(qtext(s.name.empty() ? s.code : s.name + "（" + s.code + "）"),
                          qtext(s.code));
    }
    // One station is chosen at once.
    station_->setCurrentIndex(stations_.size() == 1 ? 1 : 0);
    listYears();
    listGaugings();
}

void StoreDialog::listYears() {
    const QSignalBlocker quiet(year_);
    year_->clear();
    year_->addItem(QStringLiteral("全部年份"), 0);
    const QString code = station_->currentData().toString();
    std::vector<int> years;
    for (const auto& s : stations_) {
        if (code.isEmpty() || qtext(s.code) == code) {
            years.insert(years.end(), s.years.begin(), s.years.end());
        }
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    for (const int y : years) {
        year_->addItem(QString::number(y), y);
    }
    // The latest year of a station is the one worked on.
    if (!code.isEmpty() && !years.empty()) {
        year_->setCurrentIndex(year_->count() - 1);
    }
}

store::Filter StoreDialog::filter() const {
    store::Filter chosen;
    chosen.station = utf8(station_->currentData().toString());
    if (const int y = year_->currentData().toInt(); y != 0) {
        chosen.year = y;
    }
    return chosen;
}

void StoreDialog::listGaugings() {
    list_->setRowCount(0);
    if (!store_) {
        return;
    }
    if (purpose_ == Purpose::StationYear) {
        say(qtext(store_->location().shown) + QStringLiteral("：") +
            QString::number(stations_.size()) + QStringLiteral(" 个测站"));
        return;
    }
    BusyCursor busy;
    auto listed = store_->list(filter());
    if (!listed) {
        say(QStringLiteral("无法列出测次：") + qtext(listed.problem.message));
        return;
    }
    list_->setSortingEnabled(false);
    list_->setRowCount(static_cast<int>(listed.value->size()));
    for (std::size_t r = 0; r < listed.value->size(); ++r) {
        const store::GaugingEntry& entry = (*listed.value)[r];
        const QStringList texts = entryTexts(entry);
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setData(kNameRole, qtext(entry.name));
            list_->setItem(static_cast<int>(r), c, item);
        }
    }
    list_->resizeColumnsToContents();
    find();
}

void StoreDialog::find() {
    // A 施测号数 as typed, a date from its start ("2024-07", "2024-07-12"), or part of a name.
    const QString wanted = find_->text().trimmed();
    int found = 0;
    for (int r = 0; r < list_->rowCount(); ++r) {
        const bool shown = wanted.isEmpty() || list_->item(r, 2)->text() == wanted ||
                           list_->item(r, 3)->text().startsWith(wanted) ||
                           list_->item(r, 0)->text().contains(wanted, Qt::CaseInsensitive);
        list_->setRowHidden(r, !shown);
        found += shown ? 1 : 0;
    }
    if (store_) {
        say(qtext(store_->location().shown) + QStringLiteral("：") +
            QString::number(list_->rowCount()) + QStringLiteral(" 次测验") +
            (wanted.isEmpty() ? QString() : QStringLiteral("，找到 %1 次").arg(found)));
    }
}

std::string StoreDialog::gauging() const {
    if (name_ != nullptr) {
        return utf8(name_->text().trimmed());
    }
    const QTableWidgetItem* chosen = list_->currentItem();
    if (chosen == nullptr || list_->isRowHidden(chosen->row())) {
        return {};
    }
    return utf8(chosen->data(kNameRole).toString());
}

std::optional<store::Store> StoreDialog::takeStore() {
    std::optional<store::Store> taken = std::move(store_);
    store_.reset();
    return taken;
}

QString StoreDialog::statusText() const {
    return status_->text();
}

void StoreDialog::say(const QString& text) {
    status_->setText(text);
}

void StoreDialog::accept() {
    if (!store_ && !connectStore()) {
        return;
    }
    if (purpose_ != Purpose::StationYear && gauging().empty()) {
        say(purpose_ == Purpose::Save ? QStringLiteral("请输入保存的测次名称。")
                                      : QStringLiteral("请在列表中选择一次测验。"));
        return;
    }
    QDialog::accept();
}

} // namespace tarnelo
