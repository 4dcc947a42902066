#include "ui/instance_beacon.h"

#include <QCryptographicHash>
#include <QLocalSocket>

namespace vrtruty::ui {
namespace {

// How long a later copy waits for the running one to take its knock.
constexpr int kKnockTimeoutMs = 1000;

}  // namespace

QString BeaconName(const std::filesystem::path& lockDirectory) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromStdString(lockDirectory.string()), QCryptographicHash::Sha1);
    return QStringLiteral("vrtruty-%1").arg(QString::fromLatin1(digest.toHex().left(16)));
}

InstanceBeacon::InstanceBeacon(const QString& name, std::function<void()> comeToFront)
    : comeToFront_(std::move(comeToFront)) {
    // Only the holder of the lock gets here, so a socket left by a crashed copy can go.
    QLocalServer::removeServer(name);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(name);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* knock = server_.nextPendingConnection()) {
            knock->disconnectFromServer();
            knock->deleteLater();
            comeToFront_();
        }
    });
}

bool AskRunningCopyToFront(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kKnockTimeoutMs)) {
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

}  // namespace vrtruty::ui
