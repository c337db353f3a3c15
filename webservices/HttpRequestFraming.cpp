// Request framing of the web-service calls. Content-Length counts the bytes of the body as
// sent, in the charset its Content-Type line declares.
#include "HttpRequestFraming.h"

#include "GbkText.h"
#include "WebServiceEndpoint.h"

namespace webservices {

namespace {

constexpr std::string_view kEnvelopeStart =
    "<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\r\n";

std::string RequestLine(std::string_view servicePath) {
    return "POST http://" + std::string(kBuiltInWebServiceHost) + std::string(servicePath) +
           " HTTP/1.1\r\n";
}

std::string ContentLengthLine(std::string_view body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n";
}

} // namespace

std::string SoapEnvelope(std::string_view operation, std::string_view parameterLines,
                         bool blankBeforeBracket) {
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    body += kEnvelopeStart;
    body += "<soap:Body>\r\n";
    body += "<" + std::string(operation) + " xmlns=\"" + std::string(kServiceNamespace) + "\"";
    body += blankBeforeBracket ? " >\r\n" : ">\r\n";
    body += parameterLines;
    body += "</" + std::string(operation) + ">\r\n";
    body += "</soap:Body>\r\n";
    body += "</soap:Envelope>\r\n";
    return body;
}

std::string FrameSoapRequest(SoapService service, std::string_view operation,
                             std::string_view body) {
    std::string request = RequestLine(
        service == SoapService::PackageService ? "/PackageService.asmx" : "/VersionUpgrade.asmx");
    request += "Host: " + std::string(kBuiltInWebServiceHost) + "\r\n";
    request += "Content-Type: text/xml; charset=utf-8\r\n";
    request += ContentLengthLine(body);
    request +=
        "SOAPAction: \"" + std::string(kServiceNamespace) + std::string(operation) + "\"\r\n";
    request += "\r\n";
    request += body;
    return request;
}

std::string FrameApkLogRequest(std::string_view configuredHost, std::string_view body) {
    std::string request = RequestLine("/PackageService.asmx");
    request += "Host: " + std::string(configuredHost) + "\r\n";
    request += "Content-Type: text/xml; charset=gbk\r\n";
    // The header declares GBK, so the body goes out in GBK and its length counts those bytes.
    const std::string bytes = Utf8ToGbk(body);
    request += ContentLengthLine(bytes);
    request += "\r\n";
    request += bytes;
    return request;
}

std::string FrameLoginRequest(const Endpoint& login, std::string_view body) {
    const std::string address = login.host + ":" + std::to_string(login.port);
    std::string request = "POST http://" + address + "/ApServlet.ashx  HTTP/1.1\r\n";
    request += "Host:" + address + "\r\n";
    request += "Content-Type: text/xml; charset=utf-8\r\n";
    request += "Connection: Closed\r\n";
    request += "Pragma: no-cache\r\n";
    request += "Accept:*/*\r\n";
    request += ContentLengthLine(body);
    request += "\r\n";
    request += body;
    return request;
}

} // namespace webservices
