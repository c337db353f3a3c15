// Header parsing and file-name rules of the engine, from response lines as servers send them.
#include "ResponseHeaders.h"
#include "TempFileNames.h"

#include <gtest/gtest.h>

#include <vector>

using namespace engine;

TEST(ContentRange, AcceptsTheThreeForms) {
    auto range = ParseContentRange("bytes 100-199/1000");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 100u);
    EXPECT_EQ(range->last, 199u);
    EXPECT_EQ(range->total, 1000u);

    range = ParseContentRange("Bytes 0-9/*");
    ASSERT_TRUE(range);
    EXPECT_FALSE(range->total);

    range = ParseContentRange(" bytes */1000\r\n");
    ASSERT_TRUE(range);
    EXPECT_TRUE(range->unsatisfied);
    EXPECT_EQ(range->total, 1000u);
}

TEST(ContentRange, RejectsMalformedValues) {
    for (const char* value :
         {"bytes 5-4/10", "bytes 0-10/10", "bytes */*", "items 0-1/2", "bytes 0-1", "bytes -1/2",
          "bytes 0-1/2x", "bytes 99999999999999999999-1/2", ""}) {
        EXPECT_FALSE(ParseContentRange(value)) << value;
    }
}

TEST(ResponseHeaders, KeepsOnlyTheLastResponseOfARedirectChain) {
    ResponseHeaders headers;
    headers.feed("HTTP/1.1 302 Found\r\n");
    headers.feed("Location: /other\r\n");
    headers.feed("Content-Length: 12\r\n");
    headers.feed("\r\n");
    headers.feed("HTTP/1.1 206 Partial Content\r\n");
    headers.feed("content-range: bytes 10-19/20\r\n");
    headers.feed("ETag: \"abc\"\r\n");
    headers.feed("Last-Modified: Wed, 09 Dec 2026 06:53:17 GMT\r\n");
    EXPECT_EQ(headers.status(), 206);
    EXPECT_FALSE(headers.contentLength());
    ASSERT_TRUE(headers.contentRange());
    EXPECT_EQ(headers.contentRange()->first, 10u);
    EXPECT_EQ(headers.rangeValidator(), "\"abc\"");
}

TEST(ResponseHeaders, WeakEtagIsNotARangeValidator) {
    ResponseHeaders headers;
    headers.feed("HTTP/2 200\r\n");
    headers.feed("ETag: W/\"abc\"\r\n");
    headers.feed("Last-Modified: Tue, 01 Dec 2026 00:00:00 GMT\r\n");
    EXPECT_EQ(headers.status(), 200);
    EXPECT_EQ(headers.rangeValidator(), "Tue, 01 Dec 2026 00:00:00 GMT");
}

TEST(ResponseHeaders, IgnoresOversizedAndBrokenLines) {
    ResponseHeaders headers;
    headers.feed("HTTP/1.1 2x0 Odd\r\n");
    EXPECT_EQ(headers.status(), 0);
    headers.feed("HTTP/1.1 200 OK\r\n");
    headers.feed("Content-Length: 12abc\r\n");
    EXPECT_FALSE(headers.contentLength());
    headers.feed("ETag: \"" + std::string(ResponseHeaders::kMaxValidator, 'e') + "\"\r\n");
    EXPECT_TRUE(headers.etag().empty());
    headers.feed("Content-Length: " + std::string(ResponseHeaders::kMaxLine, '1'));
    EXPECT_FALSE(headers.contentLength());
    headers.feed("no colon here\r\n");
    EXPECT_EQ(headers.status(), 200);
}

TEST(ResponseHeaders, ContentTypeIsTheLowerCaseMediaTypeOrEmptyWhenMalformed) {
    ResponseHeaders headers;
    headers.feed("HTTP/1.1 200 OK\r\n");
    EXPECT_FALSE(headers.contentType()); // none sent
    headers.feed("Content-Type: Image/PNG; charset=binary\r\n");
    EXPECT_EQ(headers.contentType(), "image/png");
    headers.feed("HTTP/1.1 200 OK\r\n");
    EXPECT_FALSE(headers.contentType()); // a new response forgets it

    EXPECT_EQ(ParseMediaType(" text/html "), "text/html");
    EXPECT_EQ(ParseMediaType("image/svg+xml;q=1"), "image/svg+xml");
    for (const char* bad : {"", "image", "image/", "/png", "image/p ng", "image/png\x01",
                            "im age/png", "image/png/x\"y\""}) {
        EXPECT_EQ(ParseMediaType(bad), "") << bad;
    }
    EXPECT_EQ(ParseMediaType("image/" + std::string(ResponseHeaders::kMaxMediaType, 'a')), "");
}

TEST(TempFileNames, OnlyNamesThatStayInTheirFolder) {
    EXPECT_TRUE(IsValidFileName("a.apk"));
    EXPECT_TRUE(IsValidFileName(".hidden"));
    for (const std::string& bad :
         std::vector<std::string>{"", ".", "..", "a/b", "../x", std::string("a\0b", 3),
                                  std::string(kMaxFileName + 1, 'x')}) {
        EXPECT_FALSE(IsValidFileName(bad)) << bad;
    }
}

TEST(TempFileNames, NumberedNamesKeepTheExtension) {
    EXPECT_EQ(NumberedFileName("game.apk", 1), "game(1).apk");
    EXPECT_EQ(NumberedFileName("archive.tar.gz", 2), "archive.tar(2).gz");
    EXPECT_EQ(NumberedFileName("README", 3), "README(3)");
    EXPECT_EQ(NumberedFileName(".profile", 1), ".profile(1)");
}

TEST(ResumeInfo, RoundTripsAndRejectsCutOrForeignText) {
    ResumeInfo info{"http://h/a.apk", 12345, "\"tag\""};
    auto parsed = ParseResumeInfo(FormatResumeInfo(info));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->url, info.url);
    EXPECT_EQ(parsed->totalSize, 12345u);
    EXPECT_EQ(parsed->validator, info.validator);

    std::string text = FormatResumeInfo(info);
    EXPECT_FALSE(ParseResumeInfo(text.substr(0, text.size() - 1))); // last line cut
    EXPECT_FALSE(ParseResumeInfo("url=x\nsize=abc\n"));
    EXPECT_FALSE(ParseResumeInfo("size=1\n"));
    EXPECT_FALSE(ParseResumeInfo(std::string(kMaxMetaText + 1, '\n')));
}

TEST(ResponseHeaders, ValidatorsWithControlCharactersAreNotSentBack) {
    ResponseHeaders headers;
    headers.feed("HTTP/1.1 200 OK\r\n");
    headers.feed("ETag: \"abc\rX-Injected: 1\"\r\n");
    headers.feed("Last-Modified: Tue, 01 Oct 2024\x01 10:00:00 GMT\r\n");
    EXPECT_EQ(headers.rangeValidator(), "");
    headers.feed("Last-Modified: Tue, 01 Oct 2024 10:00:00 GMT\r\n");
    EXPECT_EQ(headers.rangeValidator(), "Tue, 01 Oct 2024 10:00:00 GMT");
}

TEST(TempFileNames, NameOrNumberedAlternative) {
    EXPECT_TRUE(IsNameOrNumbered("f1.apk", "f1.apk"));
    EXPECT_TRUE(IsNameOrNumbered("f1(1).apk", "f1.apk"));
    EXPECT_TRUE(IsNameOrNumbered("f1(9999).apk", "f1.apk"));
    EXPECT_TRUE(IsNameOrNumbered("README(3)", "README"));
    EXPECT_TRUE(IsNameOrNumbered(".profile(2)", ".profile"));
    EXPECT_FALSE(IsNameOrNumbered("f1(0).apk", "f1.apk"));
    EXPECT_FALSE(IsNameOrNumbered("f1(01).apk", "f1.apk"));
    EXPECT_FALSE(IsNameOrNumbered("f1().apk", "f1.apk"));
    EXPECT_FALSE(IsNameOrNumbered("f1(x).apk", "f1.apk"));
    EXPECT_FALSE(IsNameOrNumbered("f1(1).zip", "f1.apk"));
    EXPECT_FALSE(IsNameOrNumbered("f12.apk", "f1.apk"));
    EXPECT_FALSE(IsNameOrNumbered("f1(10000).apk", "f1.apk"));
}
