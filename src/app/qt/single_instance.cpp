#include "app/qt/single_instance.hpp"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

namespace tarnelo {

namespace {

constexpr int kRefusalShownMs = 8000;

} // namespace

QString instanceServerName(const std::filesystem::path& programFolder) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(programFolder, error);
    const QByteArray key = QByteArray::fromStdString((error ? programFolder : canonical).string());
    return QStringLiteral("tarnelo-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

void listenForSecondStarts(QWidget& window, const std::filesystem::path& programFolder) {
    auto* server = new QLocalServer(&window);
    const QString name = instanceServerName(programFolder);
    // A server name left by a window that crashed is stale: this process holds the lock.
    QLocalServer::removeServer(name);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        return;
    }
    QObject::connect(server, &QLocalServer::newConnection, &window, [server, &window] {
        while (QLocalSocket* knock = server->nextPendingConnection()) {
            knock->deleteLater();
            window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            window.show();
            window.raise();
            window.activateWindow();
        }
    });
}

void refuseSecondStart(const std::filesystem::path& programFolder) {
    QLocalSocket knock;
    knock.connectToServer(instanceServerName(programFolder));
    knock.waitForConnected(1000);
    knock.disconnectFromServer();

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
