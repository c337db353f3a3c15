#include "platform/Utf8.h"

#include <gtest/gtest.h>

using platform::Utf8Length;
using platform::Utf8Prefix;

TEST(Utf8, PrefixNeverSplitsASequence) {
    EXPECT_EQ(Utf8Prefix("abc", 2), "ab");
    EXPECT_EQ(Utf8Prefix("更新日志", 2), "更新");
    EXPECT_EQ(Utf8Prefix("a更", 1), "a");
    // A sequence cut short at the end of the input is not a character.
    EXPECT_EQ(Utf8Prefix(std::string("ab\xE6\x9B", 4), 4), "ab");
    EXPECT_EQ(Utf8Length("a更新"), 3u);
}

TEST(Utf8, CaseInsensitiveCompareIsAsciiOnly) {
    EXPECT_TRUE(platform::EqualsIgnoreAsciiCase("WebService", "webservice"));
    EXPECT_FALSE(platform::EqualsIgnoreAsciiCase("disuser", "disuser "));
}
