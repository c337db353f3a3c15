// One TCP connection of a web-service call: name resolution, the connect (4 s, so that a lost
// SYN is sent again) with 1,000 ms send and receive time-outs, sending the request, and the
// receive side for the HTTP readers.
// One socket per call, closed when the object goes away; no keep-alive, retry or proxy.
#pragma once

#include "ByteStream.h"

#include "platform/TcpConnection.h"

#include <optional>
#include <string>
#include <string_view>

namespace webservices {

struct Endpoint;

class WebServiceSocket final : public ByteStream {
public:
    explicit WebServiceSocket(platform::TcpConnection connection);

    /// Sends all of `bytes` in order; false on an error or a send time-out.
    [[nodiscard]] bool send(std::string_view bytes);

    ReceiveStatus receive(char* buffer, std::size_t max, std::size_t& received) override;

private:
    platform::TcpConnection m_connection; // owned by the calling thread only
};

/// The first IPv4 address of `host` as dotted text, or nothing.
std::optional<std::string> ResolveHost(const std::string& host);

/// A connected socket to `ipv4`:`port` (connect within 4 s) with 1,000 ms send and receive
/// time-outs, or nothing
/// (also for a port outside 1..65535).
std::optional<WebServiceSocket> ConnectTcp(const std::string& ipv4, int port);

/// ResolveHost + ConnectTcp; nothing when either fails.
std::optional<WebServiceSocket> ConnectToEndpoint(const Endpoint& endpoint);

} // namespace webservices
