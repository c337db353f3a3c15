// Byte-exact request texts that need no server: the login request and the envelope forms.
#include "webservices/AccountLogin.h"
#include "webservices/HttpRequestFraming.h"
#include "webservices/VersionUpdate.h"
#include "webservices/WebServiceEndpoint.h"

#include <gtest/gtest.h>

using namespace webservices;

TEST(LoginRequest, TwoBlanksBeforeVersionAndHostWithoutBlank) {
    const std::string body = LoginRequestBody("\xE5\xBC\xA0 san", "p&w");
    EXPECT_EQ(body, "CVER=100&BCMD=UserLoginNoLock&USER=%E5%BC%A0+san&PWD=p%26w");
    EXPECT_EQ(FrameLoginRequest(Endpoint{"localhost", 8099}, body),
              "POST http://localhost:8099/ApServlet.ashx  HTTP/1.1\r\n"
              "Host:localhost:8099\r\n"
              "Content-Type: text/xml; charset=utf-8\r\n"
              "Connection: Closed\r\n"
              "Pragma: no-cache\r\n"
              "Accept:*/*\r\n"
              "Content-Length: 58\r\n"
              "\r\n" +
                  body);
}

TEST(SoapEnvelope, VersionCheckHasBlankBeforeBracket) {
    const std::string body = SoapEnvelope("VC_Validate", "<oldversion>7</oldversion>\r\n", true);
    EXPECT_NE(body.find("<VC_Validate xmlns=\"http://tempuri.org/\" >\r\n<oldversion>7</oldversion>"
                        "\r\n</VC_Validate>\r\n</soap:Body>\r\n</soap:Envelope>\r\n"),
              std::string::npos)
        << body;
    const std::string request = FrameSoapRequest(SoapService::VersionUpgrade, "VC_Validate", body);
    EXPECT_EQ(request.rfind("POST http://localhost/VersionUpgrade.asmx HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(request.find("SOAPAction: \"http://tempuri.org/VC_Validate\"\r\n\r\n<?xml"),
              std::string::npos);
}

TEST(DescriptionLines, SemicolonThenPointRule) {
    const auto lines = DescriptionLines("1.A;2.B");
    EXPECT_EQ(lines[0], "1.A");
    EXPECT_EQ(lines[1], "2");
    for (std::size_t k = 2; k < 7; ++k) {
        EXPECT_EQ(lines[k], "") << k;
    }
    const auto unordered = DescriptionLines("3.third;1.first;2.second");
    EXPECT_EQ(unordered[0], "1.first");
    EXPECT_EQ(unordered[1], "2"); // no ';' after it: the '.' right after the digit ends it
    EXPECT_EQ(unordered[2], "3.third");
    EXPECT_EQ(DescriptionLines("7")[6], "");
}

TEST(UpdateIsDue, FailedLastUpdateAlwaysReschedules) {
    EXPECT_TRUE(UpdateIsDue(0, 7, 7));
    EXPECT_TRUE(UpdateIsDue(0, 9, 7));
    EXPECT_FALSE(UpdateIsDue(1, 7, 7));
    EXPECT_TRUE(UpdateIsDue(1, 6, 7));
}
