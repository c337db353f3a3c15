// A loopback server for byte-exact tests: it records every request exactly as received and
// answers each connection with a scripted reply (byte groups with pauses between them).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct ReplyStep {
    std::chrono::milliseconds pauseBefore{0};
    std::string bytes;
};

class RecordingServer {
public:
    explicit RecordingServer(std::vector<ReplyStep> reply);
    ~RecordingServer();
    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    int port() const { return m_port; }
    /// The bytes of each connection so far (header and Content-Length body), in order.
    std::vector<std::string> requests() const;
    /// Waits until `count` requests were recorded or `timeout` passed.
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    void serve();
    void answer(int fd);

    std::vector<ReplyStep> m_reply;
    int m_listenFd = -1;
    int m_port = 0;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_recorded;
    std::vector<std::string> m_requests; // guarded by m_lock
    bool m_stop = false;                 // guarded by m_lock
    std::thread m_thread;
};

} // namespace testsupport
