// InstanceChannel: the running program's local socket, through which a second start hands over
// the package files it was given and leaves. The socket sits beside the single-instance lock
// (platform::SingleInstanceLock::socketPathFor), in the user's runtime folder, and only the
// user may connect. UI thread.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include <string>
#include <vector>

class QLocalSocket;

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(QObject* parent = nullptr);

    /// Listens at `path`. Only the holder of the single-instance lock calls it, so a socket
    /// file found there was left by an instance that died and is removed first.
    [[nodiscard]] bool listen(const std::string& path);

    /// The second start's side: sends `paths` to the instance listening at `path` and waits
    /// (at most a few seconds) for its receipt. False when nobody took them: no socket, a
    /// socket of another user, no answer.
    static bool Send(const std::string& path, const std::vector<std::string>& paths);

    /// How long a connection may take to deliver its message.
    static constexpr int kTimeoutMs = 5000;

signals:
    /// A second start handed over these files.
    void filesReceived(const std::vector<std::string>& paths);

private:
    void accept();
    void readFrom(QLocalSocket* socket);

    QLocalServer m_server;
};
