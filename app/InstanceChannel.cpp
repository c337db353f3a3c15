#include "InstanceChannel.h"

#include "FileHandoff.h"

#include "platform/DebugLog.h"

#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kReceipt[] = "ok\n";

/// Whether the socket file at `path` is ours: in a shared folder (the /tmp fallback) another
/// user could have put one there to catch the paths.
bool OwnSocket(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

} // namespace

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] { accept(); });
}

bool InstanceChannel::listen(const std::string& path) {
    const QString name = QString::fromStdString(path);
    QLocalServer::removeServer(name);
    if (!m_server.listen(name)) {
        platform::DebugOutput("InstanceChannel: cannot listen at " + path + ": " +
                              m_server.errorString().toStdString());
        return false;
    }
    return true;
}

void InstanceChannel::accept() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A client that never finishes its message is dropped.
        QTimer::singleShot(kTimeoutMs, socket, [socket] { socket->abort(); });
    }
}

void InstanceChannel::readFrom(QLocalSocket* socket) {
    QByteArray bytes = socket->property("received").toByteArray();
    bytes += socket->read(static_cast<qint64>(kMaxHandoffBytes) + 1 - bytes.size());
    socket->setProperty("received", bytes);
    const FileHandoff handoff = DecodeFileHandoff(std::string_view(bytes.data(), bytes.size()));
    if (handoff.state == FileHandoff::State::Incomplete) {
        return;
    }
    if (handoff.state == FileHandoff::State::Malformed) {
        platform::DebugOutput("InstanceChannel: refused a malformed message");
        socket->abort();
        return;
    }
    socket->write(kReceipt);
    socket->disconnectFromServer();
    emit filesReceived(handoff.paths);
}

bool InstanceChannel::Send(const std::string& path, const std::vector<std::string>& paths) {
    if (!OwnSocket(path)) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(kTimeoutMs)) {
        return false;
    }
    const std::string message = EncodeFileHandoff(paths);
    socket.write(message.data(), static_cast<qint64>(message.size()));
    if (!socket.waitForBytesWritten(kTimeoutMs)) {
        return false;
    }
    QByteArray answer;
    while (answer.size() < qsizetype(sizeof kReceipt - 1) && socket.waitForReadyRead(kTimeoutMs)) {
        answer += socket.read(16);
    }
    answer += socket.read(16);
    return answer.startsWith(kReceipt);
}
