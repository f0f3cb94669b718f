// Start-up of Tarnelo: the spreadsheet wrapper, the skin, the main window and its creation
// step, then the event loop until the window is closed.
#include "app/program_lock.hpp"
#include "app/program_folder.hpp"
#include "app/qt/main_window.hpp"
#include "app/qt/single_instance.hpp"
#include "app/qt/skin.hpp"
#include "app/qt/translations.hpp"
#include "report/record_form.hpp"
#include "report/spreadsheet_automation.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// TARNELO_STARTUP_TIME set: report how long it took until the window was first painted, then
// quit. Used to measure start-up.
class FirstPaintProbe : public QObject {
  public:
    explicit FirstPaintProbe(const QElapsedTimer& clock) : clock_(clock) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            std::fprintf(stderr, "tarnelo: window shown %lld ms after start\n",
                         static_cast<long long>(clock_.elapsed()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const QElapsedTimer& clock_;
    bool reported_ = false;
};

std::filesystem::path pathOf(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    // The process-wide spreadsheet wrapper, from before the window to the end of the run.
    tarnelo::SpreadsheetAutomationInstance spreadsheet;
    QApplication application(argc, argv);
    // Where QSettings keeps the window's size.
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnelo"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnelo"));
    tarnelo::installQtTranslations(application);

    QGuiApplication::setDesktopFileName(QStringLiteral("tarnelo"));

    // Beside the executable when it has a writable Data folder, else the user's own folder.
    const tarnelo::ProgramFolders folders = tarnelo::resolveProgramFolders(
        pathOf(QCoreApplication::applicationDirPath()), tarnelo::UserEnvironment::ofProcess());
    tarnelo::prepareSkin(application);
    const std::filesystem::path folder = folders.program;
    // One window per program folder: a second one would overwrite the first one's header and
    // working copies.
    std::unique_ptr<tarnelo::ProgramFolderLock> lock;
    if (tarnelo::ProgramFolderLock::acquire(folder, lock) ==
        tarnelo::ProgramFolderLock::Result::HeldByOther) {
        std::fprintf(stderr, "tarnelo: 已经在运行 already running on %s\n", folder.c_str());
        tarnelo::refuseSecondStart(folder);
        return 3;
    }
    tarnelo::MainWindow window(folder);
    window.setDocumentFolder(folders.documents);
    window.create();
    tarnelo::listenForSecondStarts(window, folder);
    window.restoreWindowSize();

    FirstPaintProbe probe(clock);
    if (qEnvironmentVariableIsSet("TARNELO_STARTUP_TIME")) {
        window.installEventFilter(&probe);
    }
    window.show();
    for (const std::string& problem : folders.problems) {
        std::fprintf(stderr, "tarnelo: %s\n", problem.c_str());
        window.setStatus(problem);
    }
    // A raw data file named on the command line (a double-click in the file manager).
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 &&
        window.openFile(pathOf(arguments.at(1))).outcome == tarnelo::OpenOutcome::NotOpened) {
        window.setStatus("无法打开“" + arguments.at(1).toStdString() +
                         "”：文件无法读取，或不是流速仪原始数据文件");
    }
    return QApplication::exec();
}
