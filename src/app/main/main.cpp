// Start-up of Tarnelo: the skin, the main window and its creation
// step, then the event loop until the window is closed.
#include "app/program_folder.hpp"
#include "app/program_lock.hpp"
#include "app/qt/main_window.hpp"
#include "app/qt/settings_place.hpp"
#include "app/qt/single_instance.hpp"
#include "app/qt/skin.hpp"
#include "app/qt/translations.hpp"
#include "files/file_io.hpp"
#include "platform/system/console.hpp"
#include "platform/system/scratch.hpp"
#include "report/record_form.hpp"
#include "window/program_paths.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// TARNELO_STARTUP_TIME set: report how long it took until the window was first painted, then
// quit. Used to measure start-up (and, with a file named, what was opened).
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

// While the application is made: Qt's platform messages are held back, and a platform that
// cannot start (no display, or a display that does not answer) ends the program with a message
// that points to tarnelo-cli, instead of Qt's abort. Once the window system is there, the held
// messages go out as usual.
QtMessageHandler previousHandler = nullptr;

constexpr int kExitNoDisplay = 1;
constexpr const char* kNoDisplay =
    "tarnelo: 没有找到图形显示（没有设置 DISPLAY 或 WAYLAND_DISPLAY，或者无法连接），"
    "无法打开窗口。请在桌面中启动 Tarnelo；没有图形显示时请使用命令行工具 tarnelo-cli"
    "（见 tarnelo-cli --help 或 man tarnelo-cli）。\n"
    "tarnelo: no graphical display was found, so the window cannot open; without one, use "
    "tarnelo-cli.\n";

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> held;
bool holding = false;

void startupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplay, stderr);
        // What Qt said about the display, as a detail for whoever looks into it.
        for (const HeldMessage& message : held) {
            std::fprintf(stderr, "tarnelo: %s: %s\n", message.category.constData(),
                         message.text.toLocal8Bit().constData());
        }
        std::fflush(stderr);
        std::_Exit(kExitNoDisplay);
    }
    const QByteArray category(context.category != nullptr ? context.category : "");
    if (holding && category.startsWith("qt.qpa")) {
        held.push_back({type, category, text});
    } else if (previousHandler != nullptr) {
        previousHandler(type, context, text);
    }
}

constexpr int kExitUsage = 2;
constexpr int kExitRunning = 3;

constexpr const char* kHelp =
    "用法 usage: tarnelo [选项] [--] [原始数据文件.dat]\n"
    "打开窗口“Tarnelo 13.05”，录入并计算流速仪法实测流量；命名的原始数据文件在启动时打开。\n"
    "Opens the window of Tarnelo, the current-meter discharge computation; a raw data file "
    "named here is opened at start.\n\n"
    "  -h, --help     显示本说明并退出 show this help and exit\n"
    "  -V, --version  显示版本并退出 show the version and exit\n"
    "  --             其后的参数都是文件名 what follows is a file name\n\n"
    "已有窗口在运行时，命名的文件交给该窗口打开。\n"
    "When a window already runs, the file is handed over to it.\n"
    "命令行计算与导出见 tarnelo-cli(1)。See tarnelo-cli(1) for work without the window.\n";

// --help and --version are answered before anything needs a display; -- ends the options.
// Returns the exit status when the program ends here.
std::optional<int> answerWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") {
            break;
        }
        const bool help = arg == "--help" || arg == "-h";
        if (help || arg == "--version" || arg == "-V") {
            // A window program on Windows: the answer goes to the console it was started from.
            tarnelo::sys::attachParentConsole();
            tarnelo::sys::useUtf8StandardStreams();
            std::cout << (help ? kHelp : "Tarnelo " TARNELO_VERSION "\n") << std::flush;
            return std::cout ? 0 : 1;
        }
    }
    return std::nullopt;
}

// The file named on the command line once Qt has taken its own options; nullopt with a message
// on stderr when the line cannot be understood.
std::optional<QString> fileArgument(const QStringList& arguments, bool& understood) {
    understood = true;
    std::optional<QString> file;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            std::fprintf(stderr, "tarnelo: 无法理解的选项 unknown option: %s\n\n%s",
                         tarnelo::escapedName(std::string_view(arg.toUtf8().constData())).c_str(),
                         kHelp);
            understood = false;
            return std::nullopt;
        } else if (file) {
            std::fprintf(stderr, "tarnelo: 只能打开一个文件 only one file can be named\n\n%s",
                         kHelp);
            understood = false;
            return std::nullopt;
        } else {
            file = arg;
        }
    }
    return file;
}

std::filesystem::path pathOf(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
}

// The Qt messages held back while the application was made go out as usual.
void releaseHeldMessages() {
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        if (previousHandler != nullptr) {
            previousHandler(message.type, context, message.text);
        }
    }
    held.clear();
}

void nameApplication(QApplication& application) {
    // Where QSettings keeps the window's size.
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnelo"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnelo"));
    tarnelo::installQtTranslations(application);

    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarnelo.Tarnelo"));
}

// The folders' problems, and where the settings are kept, as messages for the user.
std::vector<std::string> settleFolders(const tarnelo::ProgramFolders& folders) {
    std::vector<std::string> problems = folders.problems;
    if (auto settings = tarnelo::keepSettingsIn(folders.program, !folders.perUser)) {
        problems.push_back(std::move(*settings));
    }
    return problems;
}

// The program folder is held by another run: the file goes to the running window when it can.
// Returns the exit status when the program ends here (always, unless the folder is free).
std::optional<int> answerHeldFolder(tarnelo::ProgramFolderLock::Result locked,
                                    const std::string& holder, const std::filesystem::path& folder,
                                    const std::optional<QString>& file, QApplication& application) {
    if (locked == tarnelo::ProgramFolderLock::Result::HeldByOtherUser) {
        // Not a window of this user's: nothing to hand the file to, and no folder to work in.
        std::fprintf(stderr,
                     "tarnelo: 程序文件夹的 Data 文件夹被另一个用户（%s）锁住，无法在这里打开窗口："
                     "%s\n",
                     tarnelo::escapedName(std::string_view(holder)).c_str(),
                     tarnelo::escapedName(folder).c_str());
        return kExitRunning;
    }
    if (locked == tarnelo::ProgramFolderLock::Result::HeldByOther) {
        const std::optional<std::filesystem::path> handed =
            file ? std::optional(pathOf(*file)) : std::nullopt;
        const bool reached = tarnelo::knockOnRunningWindow(folder, handed);
        if (reached) {
            // The running window comes to the front (with the file, when one was named): no
            // second window and no box to close.
            if (handed) {
                std::fprintf(stderr,
                             "tarnelo: Tarnelo 已经在运行，文件已交给正在运行的窗口打开：%s\n",
                             file->toUtf8().constData());
                return 0;
            }
            std::fprintf(stderr, "tarnelo: Tarnelo 已经在运行，已把它的窗口提到前面。\n");
            return 0;
        }
        std::fprintf(stderr, "tarnelo: Tarnelo 已经在运行，同一个程序文件夹只能打开一个窗口：%s\n",
                     tarnelo::paths::toUtf8(folder).c_str());
        if (handed) {
            std::fprintf(stderr, "tarnelo: 无法把文件交给正在运行的窗口，请在该窗口中打开：%s\n",
                         file->toUtf8().constData());
        }
        tarnelo::prepareSkin(application);
        tarnelo::refuseSecondStart(folder);
        return kExitRunning;
    }
    return std::nullopt;
}

// The main window, shown with the folders' problems and the named file opened, until it is
// closed. Returns the event loop's exit status.
int runWindow(QApplication& application, const tarnelo::ProgramFolders& folders,
              const std::vector<std::string>& problems, const std::optional<QString>& file,
              const QElapsedTimer& clock) {
    const std::filesystem::path& folder = folders.program;
    tarnelo::prepareSkin(application);
    tarnelo::MainWindow window(folder);
    window.setDocumentFolder(folders.documents);
    window.create();
    tarnelo::listenForSecondStarts(window, folder, [&window](const std::filesystem::path& path) {
        window.openHandedOver(path);
    });
    window.restoreWindowSize();
    window.fitToItsScreen();

    FirstPaintProbe probe(clock);
    if (qEnvironmentVariableIsSet("TARNELO_STARTUP_TIME")) {
        window.installEventFilter(&probe);
    }
    window.show();
    for (const std::string& problem : problems) {
        std::fprintf(stderr, "tarnelo: %s\n", problem.c_str());
        window.setStatus(problem);
    }
    if (file) {
        // A file that cannot be opened is named in a message, and in the status bar after it.
        if (const tarnelo::OpenResult opened = window.openFile(pathOf(*file));
            opened.outcome == tarnelo::OpenOutcome::NotOpened) {
            window.setStatus(opened.message);
        }
        if (qEnvironmentVariableIsSet("TARNELO_STARTUP_TIME")) {
            std::fprintf(stderr, "tarnelo: opened %s, record header of %zu bytes\n",
                         window.text(tarnelo::ctl::编辑框当前操作数据).c_str(),
                         window.recordHeader().size());
        }
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    if (const auto status = answerWithoutWindow(argc, argv)) {
        return *status;
    }
    // What runs ended by a kill or a crash left in the temporary folders.
    tarnelo::sys::removeStaleScratchFoldersOfEveryKind();
    QElapsedTimer clock;
    clock.start();
    previousHandler = qInstallMessageHandler(startupMessage);
    holding = true;
    QApplication application(argc, argv);
    holding = false;
    releaseHeldMessages();
    nameApplication(application);
    bool understood = true;
    // A raw data file named on the command line (a double-click in the file manager).
    const std::optional<QString> file = fileArgument(QCoreApplication::arguments(), understood);
    if (!understood) {
        return kExitUsage;
    }

    // Beside the executable when it has a writable Data folder, else the user's own folder.
    const tarnelo::ProgramFolders folders = tarnelo::resolveProgramFolders(
        pathOf(QCoreApplication::applicationDirPath()), tarnelo::UserEnvironment::ofProcess());
    const std::vector<std::string> problems = settleFolders(folders);
    // One window per program folder: a second one would overwrite the first one's header and
    // working copies. A second start hands its file to the first window.
    std::unique_ptr<tarnelo::ProgramFolderLock> lock;
    std::string holder;
    const tarnelo::ProgramFolderLock::Result locked =
        tarnelo::ProgramFolderLock::acquire(folders.program, lock, &holder);
    if (const auto status = answerHeldFolder(locked, holder, folders.program, file, application)) {
        return *status;
    }
    return runWindow(application, folders, problems, file, clock);
}
