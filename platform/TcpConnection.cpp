#include "TcpConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

bool resolve(const std::string& host, in_addr& out) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
        return false;
    }
    out = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
    ::freeaddrinfo(result);
    return true;
}

void setTimeouts(int fd, std::chrono::milliseconds timeout) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Waits for a non-blocking connect in short slices, so a stop request ends the wait soon.
bool waitConnected(int fd, std::chrono::milliseconds timeout, const std::stop_token& stop) {
    constexpr std::chrono::milliseconds kSlice{50};
    for (std::chrono::milliseconds left = timeout; left.count() > 0; left -= kSlice) {
        if (stop.stop_requested()) {
            return false;
        }
        pollfd pfd{fd, POLLOUT, 0};
        const int rc = ::poll(&pfd, 1, static_cast<int>(std::min(left, kSlice).count()));
        if (rc == 1) {
            return true;
        }
        if (rc < 0 && errno != EINTR) {
            return false;
        }
    }
    return false;
}

// Non-blocking connect bounded by `timeout`, then back to blocking mode.
bool connectWithin(int fd, const sockaddr_in& address, std::chrono::milliseconds timeout,
                   const std::stop_token& stop) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (rc != 0 && errno != EINPROGRESS) {
        return false;
    }
    if (rc != 0) {
        if (!waitConnected(fd, timeout, stop)) {
            return false;
        }
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) {
            return false;
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    return true;
}

struct ShutDown {
    int fd;
    void operator()() const noexcept { ::shutdown(fd, SHUT_RDWR); }
};

} // namespace

struct TcpConnection::StopLink {
    StopLink(std::stop_token stop, int fd) : callback(std::move(stop), ShutDown{fd}) {}
    std::stop_callback<ShutDown> callback;
};

TcpConnection::TcpConnection() = default;

TcpConnection::~TcpConnection() {
    close();
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : m_fd(other.m_fd), m_stopLink(std::move(other.m_stopLink)) {
    other.m_fd = -1;
}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_stopLink = std::move(other.m_stopLink);
        other.m_fd = -1;
    }
    return *this;
}

void TcpConnection::close() {
    // The link goes first: the descriptor number may be reused as soon as it is closed.
    m_stopLink.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool TcpConnection::connect(const std::string& host, std::uint16_t port,
                            std::chrono::milliseconds timeout, std::stop_token stop) {
    close();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (!resolve(host, address.sin_addr)) {
        return false;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (!connectWithin(fd, address, timeout, stop)) {
        ::close(fd);
        return false;
    }
    setTimeouts(fd, timeout);
    m_fd = fd;
    if (stop.stop_possible()) {
        // Shuts the socket down at once when the stop came just now.
        m_stopLink = std::make_unique<StopLink>(std::move(stop), fd);
    }
    return true;
}

void TcpConnection::setIoTimeout(std::chrono::milliseconds timeout) {
    if (m_fd >= 0) {
        setTimeouts(m_fd, timeout);
    }
}

bool TcpConnection::sendAll(std::string_view bytes) {
    std::size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return done == bytes.size();
}

long TcpConnection::receiveSome(char* buffer, std::size_t max) {
    if (m_fd < 0) {
        return -1;
    }
    ssize_t n;
    do {
        n = ::recv(m_fd, buffer, max, 0);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

std::size_t TcpConnection::receiveExact(char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        long n = receiveSome(buffer + done, count - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::string ResolveIpv4(const std::string& host) {
    in_addr address{};
    if (!resolve(host, address)) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

} // namespace platform
