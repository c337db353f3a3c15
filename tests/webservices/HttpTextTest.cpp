// The text helpers of the web-service calls and the reply readers of the SOAP calls.
#include "webservices/HttpText.h"
#include "webservices/SoapCalls.h"
#include "webservices/WebServiceEndpoint.h"

#include <gtest/gtest.h>

using namespace webservices;

TEST(HeaderValue, KeepsLeadingBlankAndStopsAtCrLf) {
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 123\r\n\r\n";
    EXPECT_EQ(HeaderValue(header, "Content-Length:"), " 123");
    EXPECT_EQ(HeaderValue(header, "HTTP/1.1"), " 200 OK");
    EXPECT_FALSE(HeaderValue(header, "SOAPAction:"));
    EXPECT_FALSE(HeaderValue("Content-Length: 5", "Content-Length:")); // no CR LF after it
}

TEST(XmlTagValue, PlainTextSearchOnly) {
    EXPECT_EQ(XmlTagValue("<a><Url></Url><b/>", "Url"), "");
    EXPECT_EQ(XmlTagValue("<Url>http://x/y?a=1&amp;b=2</Url>", "Url"), "http://x/y?a=1&amp;b=2");
    EXPECT_FALSE(XmlTagValue("<Url id=\"1\">http://x</Url>", "Url"));
    EXPECT_FALSE(XmlTagValue("<ns:Url>http://x</ns:Url>", "Url"));
    EXPECT_FALSE(XmlTagValue("<Url>open only", "Url"));
    // Both tags are searched from the start: a closing tag first gives the empty value.
    EXPECT_EQ(XmlTagValue("</MD5><MD5>abc</MD5>", "MD5"), "");
    // The first occurrence counts, also for a tag that is the prefix of another name.
    EXPECT_EQ(XmlTagValue("<Version>8</Version><Version>9</Version>", "Version"), "8");
}

TEST(PercentEncode, FormEncodingOfBytes) {
    EXPECT_EQ(PercentEncode("a b_c"), "a+b%5Fc");
    EXPECT_EQ(PercentEncode("Az09-.~*/"), "Az09-.~%2A%2F");
    EXPECT_EQ(PercentEncode("\xE5\xBC\xA0 x"), "%E5%BC%A0+x");
    EXPECT_EQ(PercentEncode(std::string("ab\0cd", 5)), "ab");
}

TEST(PercentEncode, StopsAt255CharactersWithoutPartialEscape) {
    EXPECT_EQ(PercentEncode(std::string(300, 'a')).size(), 255u);
    // One letter and 84 escapes make 253 characters; the 85th escape would pass 255.
    const std::string encoded = PercentEncode("a" + std::string(100, '_'));
    EXPECT_EQ(encoded.size(), 253u);
    EXPECT_EQ(encoded.substr(250), "%5F");
    // Copied characters still fill up to 255 after it.
    EXPECT_EQ(PercentEncode("a" + std::string(84, '_') + "bcdef").size(), 255u);
    EXPECT_EQ(PercentEncode(std::string(85, '_')).size(), 255u);
}

TEST(Utf8ToText, StopsAtNulAndRepairsInvalidSequences) {
    EXPECT_EQ(Utf8ToText(std::string("ok\0rest", 7)), "ok");
    EXPECT_EQ(Utf8ToText("\xE4\xB8\xAD"), "\xE4\xB8\xAD");
    EXPECT_EQ(Utf8ToText("a\xFF"
                         "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Utf8ToText("\xE4\xB8"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // cut short
}

TEST(DecimalPrefix, ReadsLikeTheRuntimeButSaturates) {
    EXPECT_EQ(DecimalPrefix(" 123"), 123);
    EXPECT_EQ(DecimalPrefix("8080x"), 8080);
    EXPECT_EQ(DecimalPrefix("x80"), 0);
    EXPECT_EQ(DecimalPrefix("-5"), -5);
    EXPECT_EQ(DecimalPrefix("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(PortFromText("99999999999"), INT32_MAX);
}

TEST(XmlEscape, EscapesOnlyMarkupCharacters) {
    EXPECT_EQ(XmlEscape("Nexus 5 (hammerhead)-v1.0"), "Nexus 5 (hammerhead)-v1.0");
    EXPECT_EQ(XmlEscape("a&b</Model><x>"), "a&amp;b&lt;/Model&gt;&lt;x&gt;");
}

TEST(Utf8BytePrefix, NeverSplitsASequence) {
    EXPECT_EQ(Utf8BytePrefix("abc", 5), "abc");
    EXPECT_EQ(Utf8BytePrefix("ab\xE4\xB8\xAD", 4), "ab");
    EXPECT_EQ(Utf8BytePrefix("ab\xE4\xB8\xAD", 5), "ab\xE4\xB8\xAD");
}

TEST(SoapReplies, GetDeviceNeedsLowerCaseTrue) {
    DeviceDriverInfo info;
    EXPECT_FALSE(ParseGetDeviceReply("<IsSuccess>True</IsSuccess><Url>u</Url>", info));
    EXPECT_TRUE(info.url.empty());
    info.inf = true;
    ASSERT_TRUE(ParseGetDeviceReply("<IsSuccess>true</IsSuccess><MD5>m</MD5>", info));
    EXPECT_EQ(info.url, "");
    EXPECT_EQ(info.md5, "m");
    EXPECT_TRUE(info.inf); // no DeviceType: the caller's value stays
    ASSERT_TRUE(
        ParseGetDeviceReply("<IsSuccess>true</IsSuccess><DeviceType>INF</DeviceType>", info));
    EXPECT_FALSE(info.inf);
    EXPECT_EQ(info.deviceType, "INF");
}

TEST(SoapReplies, ImageInfoPlacement) {
    std::array<int, 9> values{};
    PlaceImageInfo("1,2,3,4,5,6,7,8,9", values);
    EXPECT_EQ(values, (std::array<int, 9>{1, 6, 7, 8, 9, 2, 3, 4, 5}));

    values.fill(-7);
    PlaceImageInfo("3", values);
    EXPECT_EQ(values, (std::array<int, 9>{3, -7, -7, -7, -7, -7, -7, -7, -7}));

    values.fill(0);
    PlaceImageInfo(" 4, -2 ,9", values); // a blank before a comma ends the list
    EXPECT_EQ(values, (std::array<int, 9>{4, 0, 0, 0, 0, -2, 0, 0, 0}));

    values.fill(0);
    PlaceImageInfo("x,1", values);
    EXPECT_EQ(values, (std::array<int, 9>{}));
}

TEST(SoapReplies, VersionNeedsAllSixTags) {
    const std::string full = "<Version>8</Version><Url>u</Url><IsObliged>true</IsObliged>"
                             "<Description>d</Description><MD5>m</MD5>"
                             "<UpdateTime>2012-08-01 10:00:00</UpdateTime>";
    VersionInfo info;
    ASSERT_TRUE(ParseVersionReply(full, info));
    EXPECT_EQ(info.version, 8);
    EXPECT_TRUE(info.obliged);
    EXPECT_EQ(info.updateTime, "2012-08-01");

    ASSERT_TRUE(ParseVersionReply(
        "<Version>9</Version><Url></Url><IsObliged>True</IsObliged><Description></Description>"
        "<MD5></MD5><UpdateTime>2012</UpdateTime>",
        info));
    EXPECT_FALSE(info.obliged);
    EXPECT_EQ(info.updateTime, "2012");

    VersionInfo untouched;
    EXPECT_FALSE(ParseVersionReply(full.substr(0, full.find("<UpdateTime>")), untouched));
    EXPECT_EQ(untouched.version, 0);
}
