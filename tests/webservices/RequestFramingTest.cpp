// Byte-exact request texts that need no server: the login request and the envelope forms.
#include "webservices/AccountLogin.h"
#include "webservices/GbkText.h"
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

TEST(Utf8ToGbk, CharactersGbkHoldsAndWhatBecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToGbk("plain <ascii> 0-9"), "plain <ascii> 0-9");
    EXPECT_EQ(Utf8ToGbk("\xE5\x8C\x85"), "\xB0\xFC");                         // 包
    EXPECT_EQ(Utf8ToGbk("a\xE4\xB8\xAD\xE6\x96\x87z"), "a\xD6\xD0\xCE\xC4z"); // 中文
    EXPECT_EQ(Utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y"); // an emoji GBK lacks: one '?'
    EXPECT_EQ(Utf8ToGbk("x\xFFy"), "x?y");             // not UTF-8
    EXPECT_EQ(Utf8ToGbk("x\xE5\x8C"), "x??");          // cut sequence at the end
    EXPECT_EQ(Utf8ToGbk(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(ApkLogRequest, BodyGoesOutInTheDeclaredGbkWithItsByteCount) {
    const std::string request = FrameApkLogRequest("h", "<Uid>\xE5\x8C\x85</Uid>");
    EXPECT_EQ(request, "POST http://localhost/PackageService.asmx HTTP/1.1\r\n"
                       "Host: h\r\n"
                       "Content-Type: text/xml; charset=gbk\r\n"
                       "Content-Length: 13\r\n"
                       "\r\n"
                       "<Uid>\xB0\xFC</Uid>");
}
