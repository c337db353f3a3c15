// One request/reply exchange with the SOAP web service: resolve and connect to the
// configured endpoint, send the request in one piece, read the reply. Failures are silent:
// the caller gets nothing and decides.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace webservices {

/// Sends `request` to the configured web service and returns the reply body (read as UTF-8)
/// of its Content-Length. Nothing when the host does not resolve, the connect fails, the
/// header is incomplete or has no "Content-Length:" line.
std::optional<std::string> PostForBody(std::string_view request);

/// Sends `request` and reads only the reply header. True when it is complete and contains
/// "200 OK".
[[nodiscard]] bool PostForStatusOk(std::string_view request);

} // namespace webservices
