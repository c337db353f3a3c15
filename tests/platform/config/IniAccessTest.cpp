#include "platform/config/IniAccess.h"

#include "TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::WriteFile;

TEST(IniAccessKey, EmptyArgumentsAndMissingFile) {
    TempDir dir;
    std::string value = "keep";
    EXPECT_FALSE(IniAccessKey(true, "", dir.file("u.ini"), "k", value));
    EXPECT_FALSE(IniAccessKey(true, "s", "", "k", value));
    EXPECT_FALSE(IniAccessKey(true, "s", dir.file("u.ini"), "", value));
    EXPECT_FALSE(IniAccessKey(true, "s", dir.file("missing.ini"), "k", value));
    EXPECT_EQ(value, "keep");
}

TEST(IniAccessKey, ReadReportsWhetherAnythingWasRead) {
    TempDir dir;
    std::string file = dir.file("updata.ini");
    WriteFile(file, "[updata]\nissucc=1\nempty=\n");
    std::string value;
    EXPECT_TRUE(IniAccessKey(true, "updata", file, "issucc", value));
    EXPECT_EQ(value, "1");
    EXPECT_FALSE(IniAccessKey(true, "updata", file, "empty", value));
    EXPECT_FALSE(IniAccessKey(true, "updata", file, "absent", value));
    value = "0";
    EXPECT_TRUE(IniAccessKey(false, "updata", file, "issucc", value));
    EXPECT_TRUE(IniAccessKey(true, "updata", file, "issucc", value));
    EXPECT_EQ(value, "0");
}

TEST(IniAccessKeys, ListsInOrderAndFailOnlyForNoKeysOrNoFile) {
    TempDir dir;
    std::string file = dir.file("updata.ini");
    std::vector<std::string> keys{"a", "b", "c"};
    std::vector<std::string> values{"1", "", "3"};
    EXPECT_FALSE(IniAccessKeys(true, "s", file, &keys, values));
    EXPECT_TRUE(IniAccessKeys(false, "s", file, &keys, values));
    std::vector<std::string> read;
    EXPECT_TRUE(IniAccessKeys(true, "s", file, &keys, read));
    EXPECT_EQ(read, values);
    EXPECT_FALSE(IniAccessKeys(true, "s", file, nullptr, read));
}
