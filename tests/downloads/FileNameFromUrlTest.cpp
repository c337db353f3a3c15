// File names of new downloads, from ordinary and hostile URLs.
#include "downloads/FileNameFromUrl.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct NameCase {
    std::string url;
    std::optional<std::string> name;
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.url;
}

class FileNameFromUrlCases : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameFromUrlCases, GivesTheExpectedName) {
    EXPECT_EQ(FileNameFromUrl(GetParam().url), GetParam().name) << GetParam().url;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Ordinary, FileNameFromUrlCases,
    ::testing::Values(
        NameCase{"http://store.example/files/MyGame_v2.apk", "MyGame_v2.apk"},
        NameCase{"http://localhost/download", "download"},
        NameCase{"http://localhost/abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopqrstuvwx"},
        NameCase{"no-slash-at-all", std::nullopt},
        NameCase{"http://h/archive.backup", "archive.bac"},
        NameCase{"http://h/" + std::string(30, 'n') + ".apk", std::string(24, 'n') + ".apk"},
        // The base length counts from the '?' but the characters come from after the '/'.
        NameCase{"http://h/get.php?file=a.apk", "get.ph.apk"},
        NameCase{"http://h/file.apk#top", "file.apk"}));

INSTANTIATE_TEST_SUITE_P(QueryWithoutDot, FileNameFromUrlCases,
                         ::testing::Values(NameCase{"http://h/get.php?id=5", "get.php"},
                                           NameCase{"http://example.com/download?id=5", "id=5"},
                                           NameCase{"http://example.com/dir/", "download"}));

INSTANTIATE_TEST_SUITE_P(Hostile, FileNameFromUrlCases,
                         ::testing::Values(NameCase{"http://h/..", "__"},
                                           NameCase{"http://h/.", "__"},
                                           NameCase{"http://h/x/../..", "__"},
                                           NameCase{"http://h/a\\..\\b.apk", "a_.._b.apk"},
                                           NameCase{std::string("http://h/a\x01\x7f"
                                                                "b.apk"),
                                                    "a__b.apk"},
                                           NameCase{"http://h/%2e%2e", "%2e%2e"},
                                           NameCase{"http://h/?../../etc/passwd", "passwd"}));

TEST(FileNameFromUrl, CountsCharactersAndNeverSplitsThem) {
    std::string name = *FileNameFromUrl("http://h/" + Repeat("游戏", 15) + ".apk");
    EXPECT_EQ(name, Repeat("游戏", 12) + ".apk");
    std::string noDot = *FileNameFromUrl("http://localhost/" + Repeat("é", 30));
    EXPECT_EQ(noDot, Repeat("é", 24));
}

} // namespace
