// The window and a store of gaugings: 从数据库打开, 保存 into the store a measurement came from,
// 保存到数据库, and the gauging's revisions.
#include "app/qt/main_window.hpp"

#include "app/qt/qt_text.hpp"
#include "app/qt/sheet_view.hpp"
#include "app/qt/store_dialog.hpp"
#include "app/store_commands.hpp"
#include "window/window_gauging.hpp"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarnelo {

namespace {

constexpr std::string_view kTitle = "Tarnelo 13.05";

QStringList revisionTexts(const store::Revision& r) {
    return {QString::number(r.number),
            qtext(r.savedBy),
            qtext(r.machine),
            qtext(r.savedAt),
            qtext(r.program),
            QString::number(r.bytes),
            r.deleted ? QStringLiteral("已删除") : QString()};
}

// Every revision of a gauging, oldest first, the one open (`current`) in bold.
QTableWidget* revisionList(const std::vector<store::Revision>& revisions, int current,
                           QWidget& parent) {
    const QStringList headings = {"版本", "保存者", "计算机", "保存时间（UTC）",
                                  "程序", "字节",   "删除"};
    auto* list = new QTableWidget(static_cast<int>(revisions.size()),
                                  static_cast<int>(headings.size()), &parent);
    list->setObjectName(QStringLiteral("修订列表"));
    list->setHorizontalHeaderLabels(headings);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->verticalHeader()->hide();
    for (std::size_t r = 0; r < revisions.size(); ++r) {
        const QStringList texts = revisionTexts(revisions[r]);
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (revisions[r].number == current) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            list->setItem(static_cast<int>(r), c, item);
        }
    }
    list->resizeColumnsToContents();
    return list;
}

} // namespace

void MainWindow::buildStoreMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("数据库(&B)"));
    menu->setObjectName(QStringLiteral("数据库"));
    const auto add = [&](const char* name, const QString& text, std::function<void()> command) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, std::move(command));
    };
    add("从数据库打开", QStringLiteral("从数据库打开(&O)..."), [this] { openFromStore(); });
    add("保存到数据库", QStringLiteral("保存到数据库(&S)..."), [this] { saveIntoStore(); });
    add("修订历史", QStringLiteral("修订历史(&H)..."), [this] { showHistory(); });
    // The title says when the measurement is a store's gauging, and which revision.
    document_.observe([this](unsigned changes) {
        if ((changes & change::kFile) != 0) {
            showSource();
        }
    });
}

void MainWindow::showSource() {
    const auto& stored = document_.stored();
    setWindowTitle(
        qtext(stored ? std::string(kTitle) + " - " + storedTitle(*stored) : std::string(kTitle)));
}

bool MainWindow::runModal(QDialog& dialog) {
    if (answerer_.modal) {
        dialog.show();
        answerer_.modal(dialog);
        if (dialog.isVisible()) {
            dialog.reject();
        }
        return dialog.result() == QDialog::Accepted;
    }
    return dialog.exec() == QDialog::Accepted;
}

store::Store* MainWindow::storeAt(const std::string& location, store::Store::Access access) {
    if (store_ && store_->location().text == location &&
        (access == store::Store::Access::ReadOnly ||
         store_->access() == store::Store::Access::ReadWrite)) {
        return store_.get();
    }
    const store::Location where = store::locationOf(location);
    BusyCursor busy;
    store::Result<store::Store> opened = store::Store::open(where, access);
    if (!opened) {
        showMessage("无法打开数据库 " + where.shown + "：" + opened.problem.message, "提示：",
                    MessageIcon::Warning);
        return nullptr;
    }
    store_ = std::make_unique<store::Store>(std::move(*opened.value));
    return store_.get();
}

bool MainWindow::keepChosenStore(StoreDialog& dialog) {
    if (!runModal(dialog)) {
        return false;
    }
    std::optional<store::Store> chosen = dialog.takeStore();
    if (!chosen) {
        return false;
    }
    store_ = std::make_unique<store::Store>(std::move(*chosen));
    return true;
}

bool MainWindow::openFromStore() {
    if (!mayDropInput("从数据库打开前")) {
        return false;
    }
    StoreDialog dialog(StoreDialog::Purpose::Open, this);
    return keepChosenStore(dialog) && openStored(store_->location().text, dialog.gauging());
}

bool MainWindow::openStored(const std::string& location, const std::string& gauging,
                            std::optional<int> revision) {
    store::Store* at = storeAt(location, store::Store::Access::ReadOnly);
    if (at == nullptr) {
        return false;
    }
    store::Result<store::StoredGauging> read;
    {
        BusyCursor busy;
        read = at->read(gauging, revision);
    }
    if (!read) {
        showMessage("无法从数据库读入测次“" + gauging + "”：" + read.problem.message, "提示：",
                    MessageIcon::Warning);
        return false;
    }
    OpenResult opened;
    run([&](Window& window) { opened = openStoredGauging(window, *read.value); });
    if (opened.outcome != OpenOutcome::Opened && opened.outcome != OpenOutcome::Incomplete) {
        return false;
    }
    forgetComputation();
    headerFromFile_ = true;
    fileIsOwn_ = false;
    storedAsRead_ = opened.outcome == OpenOutcome::Opened && !opened.converted;
    velocitiesComputed_ = false;
    Gauging input = gaugingOf(*this);
    document_.setThreePointRule(threePointRule());
    document_.openStored(std::move(input), document_.header(),
                         {at->location().text, at->location().shown, read.value->entry.name,
                          read.value->revision.number});
    showFromFirstRow();
    const int number = read.value->revision.number;
    const int latest = read.value->entry.latest.number;
    setStatus("已从数据库 " + at->location().shown + " 打开测次“" + read.value->entry.name +
              "”第 " + std::to_string(number) + " 版" +
              (number < latest
                   ? "（最新为第 " + std::to_string(latest) + " 版；保存时不会覆盖较新的版本）"
                   : std::string()));
    return true;
}

bool MainWindow::saveToItsStore() {
    const StoredSource source = *document_.stored();
    // What was read in part, or converted, is not the revision read: its next revision would
    // hold only what the window shows.
    if (!storedAsRead_ &&
        !ask("测次“" + source.gauging +
                 "”从数据库读入时不完整或经过转换，保存将把窗口中的内容作为它的新一版"
                 "（原有各版都保留）。\n是否保存？",
             "提示：")) {
        setStatus("未保存到数据库。");
        return false;
    }
    store::Store* at = storeAt(source.store, store::Store::Access::ReadWrite);
    return at != nullptr && saveStored(*at, source.gauging, source.revision);
}

bool MainWindow::saveStored(store::Store& store, const std::string& name, int basedOn) {
    StoreSaveOutcome saved;
    {
        // A server may take its time; the question about a newer revision shows the arrow.
        const BusyCursor busy;
        run([&](Window& window) { saved = saveToStore(window, store, name, basedOn); });
    }
    if (saved.status != StoreSaveOutcome::Status::Saved) {
        if (!saved.message.empty()) {
            setStatus(saved.message);
        }
        return false;
    }
    commitCoefficients();
    const store::Location& where = store.location();
    document_.markStored({where.text, where.shown, name, saved.revision});
    fileIsOwn_ = false;
    storedAsRead_ = true;
    setText(ctl::编辑框当前操作数据, storedFileName(name));
    setStatus("已保存到数据库 " + where.shown + "：测次“" + name + "”第 " +
              std::to_string(saved.revision) + " 版");
    return true;
}

bool MainWindow::saveIntoStore() {
    grid_->commitPendingEdit();
    const std::optional<StoredSource>& source = document_.stored();
    StoreDialog dialog(StoreDialog::Purpose::Save, this);
    dialog.setProposedName(
        qtext(source ? source->gauging
                     : proposedGaugingName(document_.file(), document_.header().lines())));
    if (!keepChosenStore(dialog)) {
        return false;
    }
    const std::string name = dialog.gauging();
    // The gauging it came from, saved again under its own name, goes on from the revision read.
    const bool same = source && source->gauging == name &&
                      store::sameLocation(store::locationOf(source->store), store_->location());
    return saveStored(*store_, name, same ? source->revision : 0);
}

void MainWindow::showHistory() {
    const std::optional<StoredSource> source = document_.stored();
    if (!source) {
        showMessage("当前测次不是从数据库打开或保存到数据库的，没有修订历史。", "提示：",
                    MessageIcon::Information);
        return;
    }
    store::Store* at = storeAt(source->store, store::Store::Access::ReadOnly);
    if (at == nullptr) {
        return;
    }
    store::Result<std::vector<store::Revision>> history;
    {
        BusyCursor busy;
        history = at->history(source->gauging);
    }
    if (!history) {
        showMessage("无法读出测次“" + source->gauging + "”的修订历史：" + history.problem.message,
                    "提示：", MessageIcon::Warning);
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("修订历史"));
    dialog.setWindowTitle(QStringLiteral("修订历史 - ") + qtext(source->gauging));
    QTableWidget* list = revisionList(*history.value, source->revision, dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* open =
        buttons->addButton(QStringLiteral("打开此版"), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("打开此版"));
    open->setEnabled(false);
    // Enter closes the list; an earlier revision is opened only by its button.
    open->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(list, &QTableWidget::currentCellChanged, open, [open, list](int row) {
        open->setEnabled(row >= 0 && list->item(row, 6)->text().isEmpty());
    });
    connect(open, &QPushButton::clicked, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(
        new QLabel(qtext("数据库 " + source->shown + "，测次“" + source->gauging + "”，当前为第 " +
                         std::to_string(source->revision) + " 版（粗体）"),
                   &dialog));
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
    dialog.resize(760, 320);
    if (!runModal(dialog) || list->currentRow() < 0) {
        return;
    }
    // An earlier revision is opened as it was saved; 保存 then never writes over the later ones.
    const int number = list->item(list->currentRow(), 0)->text().toInt();
    if (mayDropInput("打开第 " + std::to_string(number) + " 版前")) {
        openStored(source->store, source->gauging, number);
    }
}

} // namespace tarnelo
