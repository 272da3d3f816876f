#include "desktop/window/running_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace kalidor {
namespace {

const QByteArray kRaise = "raise\n";
const QByteArray kRaised = "raised\n";

QString socketPath(const std::string& lockPath) {
    QString path = QString::fromStdString(lockPath);
    if (path.endsWith(QStringLiteral(".lock"))) path.chop(5);
    return path + QStringLiteral(".socket");
}

}  // namespace

void ListenForSecondStarts(QWidget* window, const std::string& lockPath) {
    auto* server = new QLocalServer(window);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours: a socket left there belongs to a program that has ended.
    QLocalServer::removeServer(socketPath(lockPath));
    if (!server->listen(socketPath(lockPath))) return;
    QObject::connect(server, &QLocalServer::newConnection, window, [server, window] {
        while (QLocalSocket* peer = server->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            QObject::connect(peer, &QLocalSocket::readyRead, window, [peer, window] {
                if (!peer->readAll().contains(kRaise)) return;
                window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
                window->show();
                window->raise();
                window->activateWindow();
                peer->write(kRaised);
                peer->flush();
            });
        }
    });
}

bool BringRunningToFront(const std::string& lockPath, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath(lockPath));
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    QByteArray answer;
    while (!answer.contains(kRaised) && socket.waitForReadyRead(timeoutMs)) answer += socket.readAll();
    return answer.contains(kRaised);
}

}  // namespace kalidor
