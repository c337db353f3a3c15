// Where the two services are: the SOAP web service (section WebService of data/Config.ini,
// built-in defaults otherwise) and the partner-account login server (built in, with test
// seams). The built-in hosts are loopback names so that nothing leaves the machine unless
// configured.
#pragma once

#include <string>
#include <string_view>

namespace webservices {

/// Built-in web-service host: the default of WebService/host and the name in the request
/// line and the Host line of the SOAP calls.
inline constexpr std::string_view kBuiltInWebServiceHost = "localhost";
inline constexpr int kDefaultWebServicePort = 80;

/// Built-in login server address and port.
inline constexpr std::string_view kBuiltInLoginHost = "localhost";
inline constexpr int kBuiltInLoginPort = 8099;

/// Environment variables that replace the built-in login address and port (tests, demos).
inline constexpr const char* kLoginHostVariable = "PENLOW_LOGIN_HOST";
inline constexpr const char* kLoginPortVariable = "PENLOW_LOGIN_PORT";

/// The namespace of the service operations (with its trailing slash).
inline constexpr std::string_view kServiceNamespace = "http://tempuri.org/";

struct Endpoint {
    std::string host;
    int port = 0; ///< as configured; ConnectTcp rejects values outside 1..65535
};

/// WebService/host (at most 127 characters; the built-in host when missing) and
/// WebService/port (leading decimal digits; "80" when missing) of data/Config.ini, read on
/// every call. Never fails.
Endpoint GetWebServiceEndpoint();

/// The login server: the built-in address and port, or PENLOW_LOGIN_HOST / PENLOW_LOGIN_PORT
/// when set and not empty.
Endpoint GetLoginEndpoint();

/// The port number of a configuration text: leading decimal digits ("8080x" gives 8080),
/// none gives 0; values beyond the int range saturate.
int PortFromText(std::string_view text);

} // namespace webservices
