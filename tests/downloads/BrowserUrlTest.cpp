// URLs as a browser sends them: what the request line cannot carry is percent-encoded once.
#include "downloads/BrowserUrl.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* given;
    const char* sent;
};

class BrowserUrl : public ::testing::TestWithParam<Case> {};

TEST_P(BrowserUrl, EncodesWhatABrowserEncodes) {
    EXPECT_EQ(EncodeUrlAsBrowser(GetParam().given), GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, BrowserUrl,
    ::testing::Values(
        Case{"http://host/my file.apk", "http://host/my%20file.apk"},
        Case{"  http://host/a.apk \r\n", "http://host/a.apk"},
        Case{"http://host/a\tb\nc.apk", "http://host/abc.apk"},
        Case{"http://host/%E5%BE%AE.apk", "http://host/%E5%BE%AE.apk"}, // not encoded twice
        Case{"http://host/\xE5\xBE\xAE.apk", "http://host/%E5%BE%AE.apk"},
        Case{"http://host/a\"<>`{}.apk", "http://host/a%22%3C%3E%60%7B%7D.apk"},
        Case{"http://host/get?name=a b&x='1'{}", "http://host/get?name=a%20b&x=%271%27{}"},
        Case{"http://host/a.apk#part one", "http://host/a.apk#part%20one"},
        Case{"http://host/p?q#f?g", "http://host/p?q#f?g"},
        Case{"http://host/\x7f", "http://host/%7F"}));

} // namespace
