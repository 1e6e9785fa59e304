#include "single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace qorv {

namespace {

QString lockFolder(QString folder) {
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    QDir().mkpath(folder);
    return folder;
}

constexpr int kAnswerMs = 1000;

}  // namespace

SingleInstance::SingleInstance(QString folder)
    : lock_(lockFolder(folder) + "/qorvmon.lock"), serverName_(lockFolder(folder) + "/qorvmon.raise") {
    lock_.setStaleLockTime(0);  // a holder that died leaves a lock QLockFile can tell is stale
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::acquire(std::function<void()> raise) {
    if (!lock_.tryLock(0)) return false;
    // Only the lock's holder may clear a socket left behind by a holder that crashed.
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, [this, raise] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            client->write("ok\n");
            client->flush();
            client->disconnectFromServer();
            client->deleteLater();
            if (raise) raise();
        }
    });
    server_->listen(serverName_);
    return true;
}

bool SingleInstance::askHolderToRaise() const {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(kAnswerMs)) return false;
    return socket.waitForReadyRead(kAnswerMs);
}

}  // namespace qorv
