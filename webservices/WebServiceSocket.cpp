// The socket of one web-service call.
#include "WebServiceSocket.h"

#include "WebServiceEndpoint.h"

#include <cerrno>

#include <sys/socket.h>

namespace webservices {

namespace {

constexpr std::chrono::milliseconds kConnectTimeout{4000};
constexpr std::chrono::milliseconds kIoTimeout{1000};

} // namespace

WebServiceSocket::WebServiceSocket(platform::TcpConnection connection)
    : m_connection(std::move(connection)) {}

bool WebServiceSocket::send(std::string_view bytes) {
    return m_connection.sendAll(bytes);
}

// recv directly on the descriptor: the readers must tell a receive time-out (which costs one
// attempt of a body read) from a failure or a close (which end it).
ReceiveStatus WebServiceSocket::receive(char* buffer, std::size_t max, std::size_t& received) {
    received = 0;
    if (!m_connection.isOpen() || max == 0) {
        return ReceiveStatus::Failed;
    }
    ssize_t n = 0;
    do {
        n = ::recv(m_connection.fd(), buffer, max, 0);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        received = static_cast<std::size_t>(n);
        return ReceiveStatus::Data;
    }
    if (n == 0) {
        return ReceiveStatus::Closed;
    }
    return errno == EAGAIN || errno == EWOULDBLOCK ? ReceiveStatus::TimedOut
                                                   : ReceiveStatus::Failed;
}

std::optional<std::string> ResolveHost(const std::string& host) {
    std::string address = platform::ResolveIpv4(host);
    if (address.empty()) {
        return std::nullopt;
    }
    return address;
}

std::optional<WebServiceSocket> ConnectTcp(const std::string& ipv4, int port) {
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    platform::TcpConnection connection;
    // A lost SYN is sent again after 1 s and 3 s: the connect outlasts two of them. Sends and
    // receives keep their one-second attempts.
    if (!connection.connect(ipv4, static_cast<std::uint16_t>(port), kConnectTimeout)) {
        return std::nullopt;
    }
    connection.setIoTimeout(kIoTimeout);
    return WebServiceSocket(std::move(connection));
}

std::optional<WebServiceSocket> ConnectToEndpoint(const Endpoint& endpoint) {
    const std::optional<std::string> address = ResolveHost(endpoint.host);
    if (!address) {
        return std::nullopt;
    }
    return ConnectTcp(*address, endpoint.port);
}

} // namespace webservices
