// The recording loopback server.
#include "RecordingServer.h"

#include <charconv>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Reads one request: the header up to its blank line and the body its Content-Length names.
std::string ReadRequest(int fd) {
    std::string data;
    std::size_t wanted = std::string::npos;
    char buffer[4096];
    while (wanted == std::string::npos || data.size() < wanted) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 3000) != 1) {
            break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        data.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = data.find("\r\n\r\n");
        if (wanted == std::string::npos && end != std::string::npos) {
            std::size_t length = 0;
            const std::size_t at = data.find("Content-Length: ");
            if (at != std::string::npos && at < end) {
                const char* first = data.data() + at + 16;
                std::from_chars(first, data.data() + end, length);
            }
            wanted = end + 4 + length;
        }
    }
    return data;
}

} // namespace

RecordingServer::RecordingServer(std::vector<ReplyStep> reply) : m_reply(std::move(reply)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 8) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

RecordingServer::~RecordingServer() {
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_listenFd);
}

void RecordingServer::serve() {
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (m_stop) {
                return;
            }
        }
        pollfd pfd{m_listenFd, POLLIN, 0};
        if (::poll(&pfd, 1, 100) != 1) {
            continue;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            answer(fd);
            ::close(fd);
        }
    }
}

void RecordingServer::answer(int fd) {
    std::string request = ReadRequest(fd);
    {
        std::lock_guard guard(m_lock);
        m_requests.push_back(std::move(request));
    }
    m_recorded.notify_all();
    for (const ReplyStep& step : m_reply) {
        std::this_thread::sleep_for(step.pauseBefore);
        (void)::send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
    }
}

std::vector<std::string> RecordingServer::requests() const {
    std::lock_guard guard(m_lock);
    return m_requests;
}

bool RecordingServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock guard(m_lock);
    return m_recorded.wait_for(guard, timeout, [&] { return m_requests.size() >= count; });
}

} // namespace testsupport
