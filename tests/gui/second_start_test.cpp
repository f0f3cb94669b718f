// A second start of the real program while a window runs on the same program folder: with a
// file it hands the file over and ends; the running window opens it, asking first when its input
// is unsaved.
#include "gui_support.hpp"

#include "app/program_lock.hpp"
#include "app/qt/file_dialog.hpp"
#include "app/qt/single_instance.hpp"
#include "second_start_place.hpp"
#include "window/program_paths.hpp"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QLocalSocket>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>

#include <fstream>

using namespace tarnelo;
using namespace tarnelo::guitest;

namespace {

namespace fs = std::filesystem;

const fs::path kExample = fs::path(TARNELO_SOURCE_DIR) / "examples" / "vertical-25-verticals.dat";

class SecondStartTest : public QObject {
    Q_OBJECT

    // A copy of the program in the harness's folder, so that it takes that folder as its own.
    static void installProgram(const Harness& h) {
        fs::copy_file(fs::path(TARNELO_PROGRAM_DIR) / programFileName(),
                      h.folder / programFileName());
        for (const char* page : {"moduleexcel_1.dat", "moduleexcel_2.dat"}) {
            fs::copy_file(fs::path(TARNELO_PROGRAM_DIR) / "Data" / page, h.folder / "Data" / page);
        }
    }

    // Runs the copy with the arguments while this window keeps serving its events.
    static int startAgain(const Harness& h, const QStringList& arguments, QByteArray& said) {
        QProcess second;
        second.setProgram(QString::fromStdString(paths::toUtf8(h.folder / programFileName())));
        second.setArguments(arguments);
        second.start();
        if (!second.waitForStarted(10000)) {
            return -1;
        }
        QElapsedTimer clock;
        clock.start();
        while (second.state() != QProcess::NotRunning && clock.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        said = second.readAllStandardError();
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

  private slots:
    void aFileDoubleClickedWhileTheWindowRunsIsOpenedThere() {
        Harness h;
        installProgram(h);
        std::unique_ptr<ProgramFolderLock> lock;
        QCOMPARE(ProgramFolderLock::acquire(h.folder, lock), ProgramFolderLock::Result::Taken);
        MainWindow& w = h.make();
        listenForSecondStarts(w, h.folder, [&w](const fs::path& file) { w.openHandedOver(file); });
        // Unsaved input: the user is asked first, and declining keeps it.
        enterCell(w, 0, col::起点距, "77");
        h.answers = {false};
        QByteArray said;
        const QString example = QString::fromStdString(paths::toUtf8(kExample));
        QCOMPARE(startAgain(h, {example}, said), 0);
        QVERIFY2(said.contains("已经在运行"), said.constData());
        QTRY_COMPARE_WITH_TIMEOUT(h.questions.size(), std::size_t(1), 5000);
        QCOMPARE(qs(h.questions[0].text),
                 QStringLiteral("当前的测量数据（含制表数据）还没有保存，"
                                "打开“vertical-25-verticals.dat”前是否保存？"));
        QCOMPARE(w.sheet().cell(0, col::起点距), std::string("77"));
        QVERIFY(!w.document().saved());

        // Agreeing opens the file; its path may be relative to where the second start ran.
        h.answers = {true};
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(paths::toUtf8(kExample.parent_path())));
        QCOMPARE(startAgain(h, {QStringLiteral("--"), QStringLiteral("vertical-25-verticals.dat")},
                            said),
                 0);
        QDir::setCurrent(before);
        QTRY_COMPARE_WITH_TIMEOUT(w.sheet().cell(0, col::起点距), std::string("8"), 5000);
        QCOMPARE(w.sheet().cell(26, col::起点距), std::string("135"));
        QCOMPARE(h.questions.size(), std::size_t(2));
        QVERIFY(h.messages.empty());

        // Nothing unsaved now: the next file opens without a question; a file that is not a raw
        // data file leaves the window as it was and says so.
        const fs::path notData = h.folder / "notes.dat";
        std::ofstream(notData) << "hello\n";
        QCOMPARE(startAgain(h, {QString::fromStdString(paths::toUtf8(notData))}, said), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            w.statusBar()->currentMessage().contains(QStringLiteral("无法打开")), 5000);
        QCOMPARE(h.questions.size(), std::size_t(2));
        QCOMPARE(w.sheet().cell(0, col::起点距), std::string("8"));
    }

    // A newcomer's 打开 dialog offers the bundled examples as the place 示例.
    void theOpenDialogOffersTheExamples() {
        Harness h;
        QStringList places;
        QString examples;
        QTimer::singleShot(300, [&] {
            auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            auto* sidebar = box->findChild<QListView*>(QStringLiteral("sidebar"));
            QVERIFY(sidebar != nullptr);
            for (int row = 0; row < sidebar->model()->rowCount(); ++row) {
                const QModelIndex index = sidebar->model()->index(row, 0);
                places << index.data().toString();
                if (index.data().toString() == QStringLiteral("示例")) {
                    examples = index.data(Qt::UserRole + 1).toUrl().toLocalFile();
                }
            }
            saveScreenshot(*box, "open-dialog-examples.png");
            box->reject();
        });
        QVERIFY(!showFileDialog(nullptr, dlg::通用对话框打开, h.folder, {}));
        QVERIFY2(places.contains(QStringLiteral("示例")),
                 qPrintable(places.join(QLatin1Char('|'))));
        QVERIFY(QFileInfo::exists(examples + QStringLiteral("/vertical-25-verticals.dat")));
    }

    void theServerIsPrivateToTheUserAndAStaleOneIsReplaced() {
        Harness h;
        const QString name = instanceServerName(h.folder);
        QVERIFY(!name.isEmpty());
        // What the system leaves of a window that was ended (a socket file on Linux) does not
        // stop listening.
        checkPrivateAndLeaveStale(name);
        QWidget window;
        listenForSecondStarts(window, h.folder, [](const fs::path&) {});
        QLocalSocket knock;
        knock.connectToServer(name);
        QVERIFY(knock.waitForConnected(2000));
    }
};

} // namespace

#include "second_start_test.moc"

int runSecondStartTests(int argc, char** argv) {
    SecondStartTest test;
    return QTest::qExec(&test, argc, argv);
}
