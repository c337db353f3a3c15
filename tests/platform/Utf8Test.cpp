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

// Every byte that is not part of a well-formed sequence becomes one U+FFFD; well-formed text
// passes unchanged.
TEST(Utf8, SanitizeReplacesEachByteOfIllFormedSequences) {
    const std::string kReplacement = "\xEF\xBF\xBD";
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"plain 更新 \xF0\x9F\x98\x80", "plain 更新 \xF0\x9F\x98\x80"},
        {"\xF8\x80\x80", kReplacement + kReplacement + kReplacement}, // F8 starts nothing
        {"\xFF", kReplacement},                                       // nor does FF
        {"\xC0\xAF", kReplacement + kReplacement},                    // overlong '/'
        {"\xE0\x80\xAF", kReplacement + kReplacement + kReplacement}, // overlong '/'
        {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement}, // surrogate
        {"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},
        {"a\xE6\x9B", "a" + kReplacement + kReplacement}, // cut short
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::Utf8Sanitize(c.in), c.out) << c.in;
    }
}

TEST(Utf8, DecodeAndEncodeRoundTripCodePoints) {
    const std::u32string chars = {U'a', 0x7FF, 0x800, 0xFFFD, 0x10000, 0x10FFFF};
    EXPECT_EQ(platform::Utf8Decode(platform::Utf8Encode(chars)), chars);
    EXPECT_EQ(platform::Utf8Encode(std::u32string{0xD800, 0x110000}), "??");
    EXPECT_EQ(platform::Utf8Decode("\xC1\x81"), (std::u32string{0xFFFD, 0xFFFD}));
}
