// The hand-made HTTP/1.1 requests of the web-service calls: the SOAP 1.1 envelope, and the
// header lines of each request kind, byte for byte as the services have always received
// them. Pure functions, no I/O.
#pragma once

#include <string>
#include <string_view>

namespace webservices {

struct Endpoint;

enum class SoapService { PackageService, VersionUpgrade };

/// The body of a SOAP call: XML declaration, envelope, body, the operation element with the
/// service namespace, `parameterLines` as given (each already ending in CR LF), and the
/// closing tags. `blankBeforeBracket` writes the operation start tag as
/// `<Operation xmlns="..." >`, the form VC_Validate uses.
std::string SoapEnvelope(std::string_view operation, std::string_view parameterLines,
                         bool blankBeforeBracket = false);

/// Request line, Host (the built-in web-service host), Content-Type utf-8, Content-Length and
/// SOAPAction lines, the blank line, then `body`.
std::string FrameSoapRequest(SoapService service, std::string_view operation,
                             std::string_view body);

/// The install-log request: PackageService request line, Host = `configuredHost`,
/// "charset=gbk" Content-Type, Content-Length, no SOAPAction. `body` is UTF-8; it is sent in
/// GBK, as declared, and Content-Length counts the GBK bytes.
std::string FrameApkLogRequest(std::string_view configuredHost, std::string_view body);

/// The login request to `login` (address and port): the request line with two blanks before
/// HTTP/1.1, "Host:" without a blank, Connection/Pragma/Accept lines, Content-Length.
std::string FrameLoginRequest(const Endpoint& login, std::string_view body);

} // namespace webservices
