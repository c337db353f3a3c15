// Where the web service and the login server are.
#include "WebServiceEndpoint.h"

#include "HttpText.h"

#include "platform/config/Config.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace webservices {

int PortFromText(std::string_view text) {
    const long long value = DecimalPrefix(text);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

Endpoint GetWebServiceEndpoint() {
    Endpoint endpoint;
    endpoint.host = config::Read(config::kWebService, config::kHost);
    if (endpoint.host.empty()) {
        endpoint.host = std::string(kBuiltInWebServiceHost);
    }
    std::string port = config::Read(config::kWebService, config::kPort);
    endpoint.port = port.empty() ? kDefaultWebServicePort : PortFromText(port);
    return endpoint;
}

Endpoint GetLoginEndpoint() {
    Endpoint endpoint{std::string(kBuiltInLoginHost), kBuiltInLoginPort};
    if (const char* host = std::getenv(kLoginHostVariable); host && *host) {
        endpoint.host = host;
    }
    if (const char* port = std::getenv(kLoginPortVariable); port && *port) {
        endpoint.port = PortFromText(port);
    }
    return endpoint;
}

} // namespace webservices
