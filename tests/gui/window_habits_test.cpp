// What a desktop program is expected to do: menus and question boxes with Alt letters, F10 for
// the menu bar, Ctrl+S over the measurement's own file, save proposals that never point into a
// folder of examples nor at the last measurement after 清空, and the settings of a portable
// folder kept in its Data folder.
#include "gui_support.hpp"
#include "window/program_paths.hpp"

#include "app/qt/settings_place.hpp"
#include "files/file_io.hpp"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include <filesystem>
#include <optional>
#include <string>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace fs = std::filesystem;

class WindowHabitsTest : public QObject {
    Q_OBJECT

  private slots:
    void menusAndQuestionsTakeAltLettersAndF10();
    void savingNeverProposesExamplesNorTheLastFile();
    void ctrlSWritesOverTheMeasurementsOwnFile();
    void aPortableFolderKeepsItsSettings();
    void aSettingsFileThatIsAFifoIsLeftAlone();
};

// The menus' titles carry Alt letters, F10 opens the first menu, and a real yes-or-no question
// answers to Alt+Y and Alt+N.
void WindowHabitsTest::menusAndQuestionsTakeAltLettersAndF10() {
    Harness h;
    MainWindow& w = h.make();
    QCOMPARE(w.menuBar()->findChild<QMenu*>(QStringLiteral("简介"))->title(),
             QStringLiteral("简介(&H)"));
    QCOMPARE(w.menuBar()->findChild<QMenu*>(QStringLiteral("查看"))->title(),
             QStringLiteral("查看(&V)"));
    // Linux prints through LibreOffice only: the road names no Windows program.
    const QString road = w.findChild<QAction*>(QStringLiteral("打印方式电子表格"))->text();
    QVERIFY2(!road.contains(QStringLiteral("Excel")) && !road.contains(QStringLiteral("WPS")),
             qPrintable(road));

    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F10);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    QCOMPARE(QApplication::activePopupWidget()->objectName(), QStringLiteral("简介"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::keyClick(w.menuBar(), Qt::Key_Escape);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);

    // The real box, without the tests' answerer: its buttons answer to Alt+Y and Alt+N.
    w.setAnswerer({});
    QStringList keys;
    for (const char* letter : {"Alt+Y", "Alt+N"}) {
        QTimer::singleShot(0, [&keys, letter] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            keys.clear();
            QAbstractButton* pressed = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                keys << button->shortcut().toString();
                if (button->shortcut() == QKeySequence(QString::fromLatin1(letter))) {
                    pressed = button;
                }
            }
            if (pressed != nullptr) {
                pressed->click();
            } else {
                box->reject();
            }
        });
        const bool yes = w.ask("继续吗？", "提示：");
        QCOMPARE(keys, (QStringList{"Alt+Y", "Alt+N"}));
        QCOMPARE(yes, std::string_view(letter) == "Alt+Y");
    }
}

// A file opened from a folder of examples (a source tree's, the package's, or one inside
// them) is proposed into the measurements' folder; after 清空 a fresh name is proposed, by 保存
// and by Ctrl+Shift+S alike.
void WindowHabitsTest::savingNeverProposesExamplesNorTheLastFile() {
    Harness h;
    MainWindow& w = h.make();
    const fs::path textData = h.folder / "Text data";
    const fs::path examples = fs::path(TARNELO_SOURCE_DIR) / "examples";
    for (const fs::path& example :
         {examples / "vertical-25-verticals.dat",
          fs::path(TARNELO_PROGRAM_DIR) / "examples" / "vertical-two-point.dat"}) {
        QCOMPARE(w.openFile(example).outcome, OpenOutcome::Opened);
        h.click(ctl::保存);
        QCOMPARE(h.dialogs.back().second, textData / example.filename());
        // Ctrl+S has no file of its own to write over: it asks too, and writes nothing there.
        const auto before = readFileBytes(example);
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(h.dialogs.back().second, textData / example.filename());
        QCOMPARE(readFileBytes(example), before);
    }
    // A copy of the examples' folder elsewhere, and the year inside it.
    const fs::path copy = h.folder / "checkout" / "examples" / "station-year";
    fs::create_directories(copy);
    const fs::path year = copy / "g.dat";
    fs::copy_file(examples / "vertical-two-point.dat", year);
    QCOMPARE(w.openFile(year).outcome, OpenOutcome::Opened);
    h.click(ctl::保存);
    QCOMPARE(h.dialogs.back().second, textData / "g.dat");

    const fs::path saved = textData / "上次.dat";
    h.files.push_back(saved);
    h.click(ctl::保存);
    QVERIFY(fs::exists(saved));
    h.click(ctl::清空);
    h.click(ctl::保存);
    QCOMPARE(h.dialogs.back().second, textData / paths::fromUtf8("新测次.dat"));
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(h.dialogs.back().second, textData / paths::fromUtf8("新测次.dat"));
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(h.dialogs.back().second, textData / paths::fromUtf8("新测次.dat"));
}

// Once the measurement has a file of its own (saved, or opened whole), Ctrl+S writes over it
// without a dialog; 保存 and Ctrl+Shift+S still ask.
void WindowHabitsTest::ctrlSWritesOverTheMeasurementsOwnFile() {
    Harness h;
    MainWindow& w = h.make();
    const fs::path own = h.folder / "Text data" / paths::fromUtf8("第7次.dat");
    fs::copy_file(fs::path(TARNELO_SOURCE_DIR) / "examples" / "vertical-two-point.dat", own);
    QCOMPARE(w.openFile(own).outcome, OpenOutcome::Opened);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    typeIntoCell(&w.grid(), 1, 2, QStringLiteral("1.25"));
    const std::size_t asked = h.dialogs.size();
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(h.dialogs.size(), asked);
    QVERIFY(readFileBytes(own).value_or("").find("1.25") != std::string::npos);
    QCOMPARE(w.text(ctl::状态条1), "已保存：" + paths::toUtf8(own));
    QVERIFY(h.messages.empty());
    h.click(ctl::保存);
    QCOMPARE(h.dialogs.size(), asked + 1);
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(h.dialogs.size(), asked + 2);
    QCOMPARE(h.dialogs.back().second, own);
}

// A portable program folder keeps the settings in its Data folder; an installed program in
// Qt's place for the user.
void WindowHabitsTest::aPortableFolderKeepsItsSettings() {
    Harness h;
    keepSettingsIn(h.folder, true);
    {
        QSettings settings;
        settings.setValue(QStringLiteral("station/folder"), QStringLiteral("/年"));
        settings.sync();
        QCOMPARE(toPath(settings.fileName()).parent_path().parent_path(), h.folder / "Data");
    }
    QVERIFY(fs::exists(h.folder / "Data" / "Tarnelo-tests" / "tarnelo_gui_tests.ini"));
    keepSettingsIn(h.folder, false);
    QVERIFY(!toPath(QSettings().fileName()).string().starts_with(h.folder.string()));
    QVERIFY(QSettings().value(QStringLiteral("station/folder")).toString() !=
            QStringLiteral("/年"));
}

// A FIFO as the settings file, or as the lock file Qt takes to write it, would block the first
// read or write for ever: both are said, and reading and saving end at once with the defaults.
void WindowHabitsTest::aSettingsFileThatIsAFifoIsLeftAlone() {
#ifdef Q_OS_WIN
    QSKIP("no FIFO among a folder's files on Windows");
#else
    Harness h;
    const fs::path folder = h.folder / "Data" / "Tarnelo-tests";
    fs::create_directories(folder);
    for (const char* name : {"tarnelo_gui_tests.ini", "tarnelo_gui_tests.ini.lock"}) {
        const fs::path fifo = folder / name;
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        const std::optional<std::string> problem = keepSettingsIn(h.folder, true);
        QVERIFY(problem && problem->find(name) != std::string::npos &&
                problem->find("不是普通文件") != std::string::npos);
        {
            QSettings settings;
            QCOMPARE(settings.value(QStringLiteral("window/size"), 7).toInt(), 7);
            settings.setValue(QStringLiteral("window/size"), 8);
            settings.sync();
            QVERIFY(settings.status() != QSettings::NoError);
        }
        QVERIFY(fs::is_fifo(fifo));
        fs::remove(fifo);
    }
    QVERIFY(!keepSettingsIn(h.folder, true));
#endif
}

int runWindowHabitsTests(int argc, char** argv) {
    WindowHabitsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_habits_test.moc"
