// A TCP client connection with bounded waits: connect, send and receive each give up after
// the configured time-out (1,000 ms by default), as the adb server and web-service
// conversations expect.
// A stop request on the token a connection was made with shuts the socket down, so a send or
// receive under way ends at once.
#pragma once

#include "platform/StopScope.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

namespace platform {

class TcpConnection {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

    TcpConnection();
    ~TcpConnection();
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    /// Resolves `host` (IPv4, getaddrinfo) and connects to `port`, with `timeout` for the
    /// connect and as SO_SNDTIMEO / SO_RCVTIMEO for later sends and receives. False when
    /// `stop` (by default the thread's current token) is requested before the connection
    /// stands; a later stop request shuts the socket down until close().
    [[nodiscard]] bool connect(const std::string& host, std::uint16_t port,
                               std::chrono::milliseconds timeout = kDefaultTimeout,
                               std::stop_token stop = CurrentStopToken());

    /// Replaces the send and receive time-out of an open connection.
    void setIoTimeout(std::chrono::milliseconds timeout);

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void close();

    /// Sends all bytes; false on error or time-out.
    [[nodiscard]] bool sendAll(std::string_view bytes);
    /// One receive of at most `max` bytes: > 0 bytes read, 0 peer closed, -1 error/time-out.
    long receiveSome(char* buffer, std::size_t max);
    /// Receives exactly `count` bytes into `buffer`; returns the number received (less than
    /// `count` when the peer closed, an error or a time-out came first).
    std::size_t receiveExact(char* buffer, std::size_t count);

private:
    struct StopLink;

    int m_fd = -1;
    std::unique_ptr<StopLink> m_stopLink; // shuts m_fd down on a stop; dropped before closing
};

/// The IPv4 address of `host` as dotted text, or the empty text when it does not resolve.
std::string ResolveIpv4(const std::string& host);

} // namespace platform
