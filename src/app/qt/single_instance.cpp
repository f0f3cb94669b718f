#include "app/qt/single_instance.hpp"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace tarnelo {

namespace {

constexpr int kRefusalShownMs = 8000;
constexpr int kKnockWaitMs = 2000;
// A knock is a command line and, for OPEN, the path's bytes up to the end of the connection.
constexpr qsizetype kLongestKnock = 64 * 1024;
const QByteArray kRaise = "RAISE\n";
const QByteArray kOpen = "OPEN\n";
// Unix socket addresses hold 107 bytes.
constexpr std::size_t kLongestSocketPath = 100;

// A folder only this user can enter: owned by the user, a real folder, no access for others.
bool privateFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::filesystem::path socketFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime == '/' && privateFolder(runtime) &&
        std::string_view(runtime).size() < kLongestSocketPath - 40) {
        return runtime;
    }
    const std::string own = "tarnelo-" + std::to_string(::geteuid());
    std::filesystem::path folder = std::filesystem::path(QDir::tempPath().toStdString()) / own;
    if (folder.string().size() >= kLongestSocketPath - 40) {
        folder = std::filesystem::path("/tmp") / own;
    }
    ::mkdir(folder.c_str(), 0700);
    return privateFolder(folder) ? folder : std::filesystem::path();
}

std::filesystem::path absolutePath(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    return error ? file : absolute.lexically_normal();
}

void raise(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

QString instanceServerName(const std::filesystem::path& programFolder) {
    const std::filesystem::path folder = socketFolder();
    if (folder.empty()) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(programFolder, error);
    const QByteArray key = QByteArray::fromStdString((error ? programFolder : canonical).string());
    const QString name =
        QStringLiteral("tarnelo-") +
        QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
    return QString::fromStdString(folder.string()) + QLatin1Char('/') + name;
}

void listenForSecondStarts(QWidget& window, const std::filesystem::path& programFolder,
                           std::function<void(const std::filesystem::path&)> open) {
    const QString name = instanceServerName(programFolder);
    if (name.isEmpty()) {
        return;
    }
    auto* server = new QLocalServer(&window);
    // A socket left by a window that crashed or was ended is stale: this process holds the lock.
    QLocalServer::removeServer(name);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        return;
    }
    QObject::connect(server, &QLocalServer::newConnection, &window, [server, &window, open] {
        while (QLocalSocket* knock = server->nextPendingConnection()) {
            raise(window);
            auto received = std::make_shared<QByteArray>();
            auto done = std::make_shared<bool>(false);
            const auto take = [knock, received] {
                received->append(knock->readAll());
                if (received->size() > kLongestKnock) {
                    received->clear();
                    knock->abort();
                }
            };
            // The whole knock has arrived when the second start hangs up.
            const auto finish = [knock, received, done, take, &window, open] {
                if (*done) {
                    return;
                }
                *done = true;
                take();
                knock->deleteLater();
                if (!received->startsWith(kOpen) || received->size() == kOpen.size()) {
                    return;
                }
                const std::filesystem::path file(received->mid(kOpen.size()).toStdString());
                // Opened after the knock is over: a question may wait for the user.
                QTimer::singleShot(0, &window, [open, file] { open(file); });
            };
            QObject::connect(knock, &QLocalSocket::readyRead, knock, take);
            QObject::connect(knock, &QLocalSocket::disconnected, &window, finish);
            if (knock->state() != QLocalSocket::ConnectedState) {
                finish();
            }
            // A knock that never ends is dropped.
            QTimer::singleShot(kKnockWaitMs * 5, knock, [knock] { knock->abort(); });
        }
    });
}

bool knockOnRunningWindow(const std::filesystem::path& programFolder,
                          const std::optional<std::filesystem::path>& file) {
    const QString name = instanceServerName(programFolder);
    if (name.isEmpty()) {
        return false;
    }
    QLocalSocket knock;
    knock.connectToServer(name);
    if (!knock.waitForConnected(kKnockWaitMs)) {
        return false;
    }
    const QByteArray message =
        file ? kOpen + QByteArray::fromStdString(absolutePath(*file).string()) : kRaise;
    knock.write(message);
    bool written = true;
    while (written && knock.bytesToWrite() > 0) {
        written = knock.waitForBytesWritten(kKnockWaitMs);
    }
    knock.disconnectFromServer();
    if (knock.state() != QLocalSocket::UnconnectedState) {
        knock.waitForDisconnected(kKnockWaitMs);
    }
    return written;
}

void refuseSecondStart(const std::filesystem::path& programFolder) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示："),
                    QStringLiteral("Tarnelo 已经在运行，同一个程序文件夹只能打开一个窗口：\n") +
                        QString::fromStdString(programFolder.string()) +
                        QStringLiteral("\n\n请在已经打开的窗口中继续工作。"),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("已经在运行"));
    QTimer::singleShot(kRefusalShownMs, &box, &QMessageBox::accept);
    box.exec();
}

} // namespace tarnelo
