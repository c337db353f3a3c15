// Request/reply exchanges with the SOAP web service.
#include "WebServiceExchange.h"

#include "HttpReader.h"
#include "HttpText.h"
#include "WebServiceEndpoint.h"
#include "WebServiceSocket.h"

namespace webservices {

namespace {

// A failed send is not checked: the header read that follows fails in its place.
std::optional<std::string> SendAndReadHeader(WebServiceSocket& socket, std::string_view request) {
    (void)socket.send(request);
    std::string header;
    if (!ReadHttpHeader(socket, header)) {
        return std::nullopt;
    }
    return header;
}

} // namespace

std::optional<std::string> PostForBody(std::string_view request) {
    std::optional<WebServiceSocket> socket = ConnectToEndpoint(GetWebServiceEndpoint());
    if (!socket) {
        return std::nullopt;
    }
    const std::optional<std::string> header = SendAndReadHeader(*socket, request);
    long long length = 0;
    if (!header || !ContentLength(*header, length)) {
        return std::nullopt;
    }
    return Utf8ToText(ReadBody(*socket, length));
}

bool PostForStatusOk(std::string_view request) {
    std::optional<WebServiceSocket> socket = ConnectToEndpoint(GetWebServiceEndpoint());
    if (!socket) {
        return false;
    }
    const std::optional<std::string> header = SendAndReadHeader(*socket, request);
    return header && Contains(*header, "200 OK");
}

} // namespace webservices
