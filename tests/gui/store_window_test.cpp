// The window and a store of gaugings in a SQLite file: a measurement saved into the store and
// opened again shows what its file shows, 保存 adds revisions, a second writer's newer revision
// is never written over, the revisions are listed, and 实测流量成果表 reads a station's year
// from the store.
#include "gui_support.hpp"

#include "app/qt/station_table_dialog.hpp"
#include "app/qt/store_dialog.hpp"
#include "files/gauging_file.hpp"
#include "files/record_header.hpp"
#include "station/station_table.hpp"
#include "support/station_files.hpp"
#include "window/program_paths.hpp"
#include "window/window_gauging.hpp"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>

#include <array>
#include <tuple>

using namespace tarnelo;
using namespace tarnelo::guitest;

class StoreWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // A build without SQLite (the Windows build, for now) has no store to try.
    void initTestCase() {
        if (!store::engineAvailable(store::Location::Engine::SQLite)) {
            QSKIP("this build has no SQLite");
        }
    }
    void init() { QSettings().remove(QStringLiteral("store")); }
    void cleanup() { init(); }
    void savesReopensAndRevisesAGaugingWithoutALostUpdate();
    void aNameTheStoreHoldsIsOfferedAsItsNextRevision();
    void aRevisionReadConvertedIsSavedOverOnlyWhenAsked();
    void aNewMeasurementIsProposedUnderItsStationAndNumber();
    void readsTheStationYearFromTheStore();
};

namespace {

// Every cell of the sheet and the record header: what the window shows of a measurement.
struct Shown {
    std::vector<std::vector<std::string>> cells;
    std::string header;
    std::string name;
    bool operator==(const Shown&) const = default;
};

Shown shownBy(MainWindow& w) {
    Shown shown;
    for (int r = 0; r < w.sheet().rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c <= col::测点流速; ++c) {
            row.push_back(w.sheet().cell(r, c));
        }
        shown.cells.push_back(std::move(row));
    }
    shown.header = w.recordHeader();
    shown.name = w.text(ctl::编辑框当前操作数据);
    return shown;
}

QAction* storeAction(MainWindow& w, const char* name) {
    QMenu* menu = w.menuBar()->findChild<QMenu*>(QStringLiteral("数据库"));
    return menu == nullptr ? nullptr : menu->findChild<QAction*>(QString::fromUtf8(name));
}

// The store's dialog as a user fills it: the store's location typed and connected, then what
// `then` does (choosing a row, a name) before 确定.
void connectTo(QDialog& dialog, const std::filesystem::path& store) {
    QCOMPARE(dialog.objectName(), QStringLiteral("数据库对话框"));
    typeIntoBox(dialog.findChild<QLineEdit*>(QStringLiteral("数据库位置")),
                qs(paths::toUtf8(store)));
    const bool isNew = !std::filesystem::exists(store);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("连接数据库")), Qt::LeftButton);
    if (isNew && dialog.findChild<QLineEdit*>(QStringLiteral("测次名称")) != nullptr) {
        // A new store is made on the second 连接 only.
        QVERIFY(!std::filesystem::exists(store));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("连接数据库")),
                          Qt::LeftButton);
    }
}

void clickOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("确定")), Qt::LeftButton);
}

// The main window's bytes as 保存 writes them.
std::string windowBytes(MainWindow& w) {
    return gaugingFileBytes(gaugingOf(w), w.recordHeader()).bytes.value_or("");
}

const store::Author kOther{"李四", "测站二号机", "Tarnelo 13.05"};

} // namespace

void StoreWindowTest::savesReopensAndRevisesAGaugingWithoutALostUpdate() {
    Harness h;
    MainWindow& w = h.make();
    const auto file = h.folder / "Text data" / "g1.dat";
    testing::MadeGauging made;
    made.number = "17";
    testing::writeGauging(file, made);
    QCOMPARE(w.openFile(file).outcome, OpenOutcome::Opened);
    const Shown fromFile = shownBy(w);
    const auto storeFile = h.folder / paths::fromUtf8("青石桥.sqlite");

    // 保存到数据库: a new SQLite file becomes a store; the name is proposed from the file.
    QString proposed;
    h.onDialog = [&](QDialog& dialog) {
        connectTo(dialog, storeFile);
        proposed = dialog.findChild<QLineEdit*>(QStringLiteral("测次名称"))->text();
        clickOk(dialog);
    };
    QVERIFY(storeAction(w, "保存到数据库") != nullptr);
    storeAction(w, "保存到数据库")->trigger();
    QCOMPARE(proposed, QStringLiteral("g1"));
    QVERIFY2(h.messages.empty(), h.messages.empty() ? "" : h.messages.back().text.c_str());
    QVERIFY(w.document().stored().has_value());
    QCOMPARE(w.document().stored()->gauging, std::string("g1"));
    QCOMPARE(w.document().stored()->revision, 1);
    QVERIFY(w.document().saved());
    QVERIFY(w.windowTitle().contains(QStringLiteral("g1 第 1 版")));
    QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("第 1 版")));

    // Another gauging of the station, saved by someone else.
    auto other = store::Store::open(store::locationOf(paths::toUtf8(storeFile)));
    QVERIFY(other);
    made.number = "18";
    QCOMPARE(other.value->save("g9", testing::gaugingBytes(made), 0, kOther).value.value_or(0), 1);

    // 清空, then 从数据库打开, found by its 施测号数: the same sheet and header as the file.
    h.click(ctl::清空);
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarnelo 13.05"));
    QVERIFY(!(shownBy(w) == fromFile));
    int listed = 0;
    h.onDialog = [&](QDialog& dialog) {
        connectTo(dialog, storeFile);
        auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("测次列表"));
        QCOMPARE(list->rowCount(), 2);
        typeIntoBox(dialog.findChild<QLineEdit*>(QStringLiteral("查找")), QStringLiteral("17"));
        for (int r = 0; r < list->rowCount(); ++r) {
            listed += list->isRowHidden(r) ? 0 : 1;
        }
        for (int r = 0; r < list->rowCount(); ++r) {
            if (!list->isRowHidden(r)) {
                list->setCurrentCell(r, 0);
            }
        }
        clickOk(dialog);
    };
    QVERIFY(w.openFromStore());
    QCOMPARE(listed, 1);
    QVERIFY(shownBy(w) == fromFile);
    QCOMPARE(w.document().stored()->revision, 1);

    // A change, and 保存 adds revision 2 to the store without a dialog.
    enterCell(w, 2, col::水深, "1.05");
    QVERIFY(!w.document().saved());
    h.dialogs.clear();
    h.click(ctl::保存);
    QVERIFY(h.dialogs.empty());
    QCOMPARE(w.document().stored()->revision, 2);
    QVERIFY(w.document().saved());

    // A second writer saves revision 3 first: the window's 保存 is refused, says who saved
    // what and when; "no" saves nothing, "yes" saves a revision of its own on top of it.
    const std::string theirs = windowBytes(w) + " ";
    QCOMPARE(other.value->save("g1", theirs, 2, kOther).value.value_or(0), 3);
    enterCell(w, 3, col::水深, "1.25");
    h.answers = {false};
    h.click(ctl::保存);
    QCOMPARE(h.questions.size(), std::size_t(1));
    const std::string asked = h.questions.back().text;
    for (const char* said : {"李四", "测站二号机", "第 3 版", "第 2 版"}) {
        QVERIFY2(asked.find(said) != std::string::npos, asked.c_str());
    }
    QCOMPARE(w.document().stored()->revision, 2);
    QVERIFY(!w.document().saved());
    // Ctrl+S as 保存: into the store, without a dialog.
    h.answers = {true};
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(h.dialogs.empty());
    QCOMPARE(w.document().stored()->revision, 4);
    QVERIFY(w.document().saved());
    const auto latest = other.value->read("g1");
    QVERIFY(latest);
    QCOMPARE(latest.value->revision.number, 4);
    QCOMPARE(latest.value->bytes, windowBytes(w));
    QCOMPARE(other.value->read("g1", 3).value->bytes, theirs);

    // The revisions: who, on which machine, the one open in bold.
    int rows = 0;
    QString secondWriter;
    h.onDialog = [&](QDialog& dialog) {
        QCOMPARE(dialog.objectName(), QStringLiteral("修订历史"));
        auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("修订列表"));
        rows = list->rowCount();
        secondWriter = list->item(2, 1)->text() + list->item(2, 2)->text();
        QVERIFY(list->item(3, 0)->font().bold());
        // An earlier revision opens as it was saved.
        list->setCurrentCell(1, 0);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("打开此版")),
                          Qt::LeftButton);
    };
    storeAction(w, "修订历史")->trigger();
    QCOMPARE(rows, 4);
    QCOMPARE(secondWriter, QStringLiteral("李四测站二号机"));
    QCOMPARE(w.document().stored()->revision, 2);
    QCOMPARE(windowBytes(w), other.value->read("g1", 2).value->bytes);
    QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("最新为第 4 版")));
    QCOMPARE(QSettings().value(QLatin1String(kLastStoreSetting)).toString(),
             qs(paths::toUtf8(storeFile)));

    // 另存为 writes a file, and from then on the measurement is that file's.
    const auto copy = h.folder / "Text data" / "copy.dat";
    h.files.push_back(copy);
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(readFileBytes(copy).value_or(""), windowBytes(w));
    QVERIFY(!w.document().stored());
    QCOMPARE(w.document().file(), copy);
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarnelo 13.05"));
    // The wait cursor of the store's calls is gone.
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void StoreWindowTest::aRevisionReadConvertedIsSavedOverOnlyWhenAsked() {
    Harness h;
    MainWindow& w = h.make();
    const auto storeFile = h.folder / "s.sqlite";
    auto store = store::Store::init(store::locationOf(paths::toUtf8(storeFile)));
    QVERIFY2(store, store.problem.message.c_str());
    // Imported as another program wrote it: line feeds alone.
    std::string bytes = testing::gaugingBytes({});
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos;
         at = bytes.find("\r\n", at)) {
        bytes.erase(at, 1);
    }
    QCOMPARE(store.value->save("lf", bytes, 0, kOther).value.value_or(0), 1);
    // Opened converted, as a file of that form is (the window asks first).
    h.answers = {true};
    QVERIFY(w.openStored(paths::toUtf8(storeFile), "lf"));
    const std::size_t asked = h.questions.size();

    // 保存 would make its next revision of what the window shows: asked first, 否 saves nothing.
    enterCell(w, 3, col::水深, "1.21");
    h.answers = {false};
    h.click(ctl::保存);
    QCOMPARE(h.questions.size(), asked + 1);
    QVERIFY2(h.questions.back().text.find("经过转换") != std::string::npos,
             h.questions.back().text.c_str());
    QCOMPARE(store.value->history("lf").value->size(), std::size_t(1));
    h.answers = {true};
    h.click(ctl::保存);
    QCOMPARE(store.value->history("lf").value->size(), std::size_t(2));
    QCOMPARE(store.value->read("lf", 1).value->bytes, bytes);
    // Saved once in the program's form, the next 保存 asks nothing.
    enterCell(w, 2, col::水深, "1.05");
    h.click(ctl::保存);
    QCOMPARE(h.questions.size(), asked + 2);
    QCOMPARE(store.value->history("lf").value->size(), std::size_t(3));
}

void StoreWindowTest::aNameTheStoreHoldsIsOfferedAsItsNextRevision() {
    Harness h;
    MainWindow& w = h.make();
    const auto storeFile = h.folder / "s.sqlite";
    auto store = store::Store::init(store::locationOf(paths::toUtf8(storeFile)));
    QVERIFY2(store, store.problem.message.c_str());
    const auto file = h.folder / "Text data" / "g2.dat";
    testing::writeGauging(file, {});
    QCOMPARE(store.value->save("g2", readFileBytes(file).value_or(""), 0, kOther).value.value_or(0),
             1);

    // The same name, from a measurement opened from its file: the store holds it, and the
    // window asks whether to add a revision of it; 取消 leaves the file as the source.
    QCOMPARE(w.openFile(file).outcome, OpenOutcome::Opened);
    enterCell(w, 2, col::水深, "1.05");
    h.onDialog = [&](QDialog& dialog) {
        connectTo(dialog, storeFile);
        clickOk(dialog);
    };
    h.answers = {false};
    QVERIFY(!w.saveIntoStore());
    QCOMPARE(h.questions.size(), std::size_t(1));
    QVERIFY(h.questions.back().text.find("数据库中已有测次“g2”") != std::string::npos);
    QVERIFY(!w.document().stored());
    QCOMPARE(w.document().file(), file);
    h.answers = {true};
    QVERIFY(w.saveIntoStore());
    QCOMPARE(w.document().stored()->revision, 2);

    // A store that is not there is not made by opening: the dialog says so and opens nothing.
    QString said;
    h.onDialog = [&](QDialog& dialog) {
        connectTo(dialog, h.folder / "none.sqlite");
        clickOk(dialog);
        said = dialog.findChild<QLabel*>(QStringLiteral("数据库状态"))->text();
    };
    QVERIFY(!w.openFromStore());
    QVERIFY2(said.contains(QStringLiteral("没有这个数据库文件")), qPrintable(said));
    QVERIFY(!std::filesystem::exists(h.folder / "none.sqlite"));
    QCOMPARE(w.document().stored()->revision, 2);
}

// A measurement typed from scratch has no file: the store's name is proposed from its station
// and 施测号数, and the store finds it by station, year and 施测号数 as well.
void StoreWindowTest::aNewMeasurementIsProposedUnderItsStationAndNumber() {
    Harness h;
    MainWindow& w = h.make();
    std::array<std::string, 39> header{};
    header[station::hdr::测站名称] = "青石桥";
    header[station::hdr::施测时间] = "2025-06-02 10:10~10:50";
    header[station::hdr::施测号数] = "5";
    w.setRecordHeader(recordHeaderBytes(header).value_or(""));
    for (const auto& [row, distance, depth] :
         {std::tuple{0, "0", "0"}, {1, "2", "0.8"}, {2, "4", "1.1"}, {3, "6", "0"}}) {
        enterCell(w, row, col::起点距, distance);
        enterCell(w, row, col::水深, depth);
    }
    const auto storeFile = h.folder / "new.sqlite";
    QString proposed;
    h.onDialog = [&](QDialog& dialog) {
        connectTo(dialog, storeFile);
        proposed = dialog.findChild<QLineEdit*>(QStringLiteral("测次名称"))->text();
        clickOk(dialog);
    };
    QVERIFY(w.saveIntoStore());
    QCOMPARE(proposed, QStringLiteral("青石桥_5"));
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("青石桥_5.dat"));
    auto store = store::Store::open(store::locationOf(paths::toUtf8(storeFile)));
    QVERIFY(store);
    const auto read = store.value->read("青石桥/2025/5");
    QVERIFY2(read, read.problem.message.c_str());
    QCOMPARE(read.value->entry.name, std::string("青石桥_5"));
    QCOMPARE(read.value->bytes, windowBytes(w));
}

void StoreWindowTest::readsTheStationYearFromTheStore() {
    Harness h;
    MainWindow& w = h.make();
    const auto folder = h.folder / "Text data" / "year";
    std::filesystem::create_directories(folder);
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) {
        testing::MadeGauging made;
        made.time = "2024-0" + std::to_string(i + 3) + "-1" + std::to_string(i) + " 08:30~09:10";
        made.number = std::to_string(i + 1);
        made.scale = 0.8 + 0.2 * i;
        const auto file = folder / ("g" + std::to_string(i + 1) + ".dat");
        testing::writeGauging(file, made);
        files.push_back(paths::toUtf8(file));
    }
    const auto storeFile = h.folder / "year.sqlite";
    auto store = store::Store::init(store::locationOf(paths::toUtf8(storeFile)));
    QVERIFY2(store, store.problem.message.c_str());
    const auto imported = store.value->importFiles(files, kOther);
    QCOMPARE(imported.count(store::ImportReport::Item::Outcome::Added), 4);

    StationTableDialog& view = w.showStationTable();
    QVERIFY(view.loadFolder(folder));
    const station::StationTable fromFolder = view.table();

    // 从数据库读入...: the store's one station and its one year are chosen at once.
    QString station;
    QString year;
    view.storeDialogShown = [&](QDialog& dialog) {
        connectTo(dialog, storeFile);
        station = dialog.findChild<QComboBox*>(QStringLiteral("测站"))->currentText();
        year = dialog.findChild<QComboBox*>(QStringLiteral("年份"))->currentText();
        clickOk(dialog);
    };
    QTest::mouseClick(view.findChild<QPushButton*>(QStringLiteral("从数据库读入")), Qt::LeftButton);
    QVERIFY2(h.messages.empty(), h.messages.empty() ? "" : h.messages.back().text.c_str());
    QVERIFY(station.startsWith(QStringLiteral("青石桥")));
    QCOMPARE(year, QStringLiteral("2024"));
    QCOMPARE(view.storeLocation(), paths::toUtf8(storeFile));
    QCOMPARE(view.grid().rowCount(), 4);
    QCOMPARE(tableTitle(view.table()), tableTitle(fromFolder));
    for (std::size_t r = 0; r < fromFolder.rows.size(); ++r) {
        QVERIFY(station::rowTexts(view.table().rows[r]) == station::rowTexts(fromFolder.rows[r]));
    }

    // A double-click opens the gauging from the store, as its file would open.
    const QRect cell = view.grid().visualItemRect(view.grid().item(1, 0));
    QTest::mouseClick(view.grid().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(view.grid().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY2(w.document().stored().has_value(),
             qPrintable(view.findChild<QLabel*>(QStringLiteral("成果表状态"))->text()));
    QCOMPARE(w.document().stored()->gauging, std::string("g2"));
    QCOMPARE(w.text(ctl::编辑框当前操作数据), std::string("g2.dat"));
    const Shown fromStore = shownBy(w);

    // A store that can no longer be opened for saving: the window says why and the input stays
    // unsaved, still the store's gauging.
    QVERIFY(writeFileAtomic(storeFile, std::string(4096, 'x')));
    enterCell(w, 2, col::水深, "1.05");
    h.click(ctl::保存);
    QCOMPARE(h.messages.size(), std::size_t(1));
    QVERIFY2(h.messages.back().text.starts_with("无法打开数据库"), h.messages.back().text.c_str());
    QVERIFY(!w.document().saved());
    QCOMPARE(w.document().stored()->gauging, std::string("g2"));

    QCOMPARE(w.openFile(folder / "g2.dat").outcome, OpenOutcome::Opened);
    QVERIFY(shownBy(w) == fromStore);
}

int runStoreWindowTests(int argc, char** argv) {
    StoreWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "store_window_test.moc"
