#include "app/qt/single_instance.hpp"

#include "app/qt/instance_place.hpp"
#include "window/program_paths.hpp"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

namespace tarnelo {

namespace {

constexpr int kRefusalShownMs = 8000;
constexpr int kKnockWaitMs = 2000;
// A knock is a command line and, for OPEN, the path's bytes up to the end of the connection.
constexpr qsizetype kLongestKnock = 64 * 1024;
const QByteArray kRaise = "RAISE\n";
const QByteArray kOpen = "OPEN\n";
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
    const std::optional<InstancePlace> place = instancePlace();
    if (!place) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(programFolder, error);
    const QByteArray key =
        place->owner + QByteArray::fromStdString(paths::toUtf8(error ? programFolder : canonical));
    return place->prefix + QStringLiteral("tarnelo-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
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
                const std::filesystem::path file =
                    paths::fromUtf8(received->mid(kOpen.size()).toStdString());
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
    allowRunningWindowToFront();
    QLocalSocket knock;
    knock.connectToServer(name);
    if (!knock.waitForConnected(kKnockWaitMs)) {
        return false;
    }
    const QByteArray message =
        file ? kOpen + QByteArray::fromStdString(paths::toUtf8(absolutePath(*file))) : kRaise;
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
                        QString::fromStdString(paths::toUtf8(programFolder)) +
                        QStringLiteral("\n\n请在已经打开的窗口中继续工作。"),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("已经在运行"));
    QTimer::singleShot(kRefusalShownMs, &box, &QMessageBox::accept);
    box.exec();
}

} // namespace tarnelo
