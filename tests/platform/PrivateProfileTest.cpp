#include "platform/PrivateProfile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using platform::GetProfileString;
using platform::WriteProfileString;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(PrivateProfile, ReadsAreCaseInsensitiveTrimmedAndUnquoted) {
    TempDir dir;
    std::string ini = dir.file("Config.ini");
    WriteFile(ini, "\xEF\xBB\xBF[application]\r\n  AppName =  Penlow  \r\n; note=1\r\n"
                   "quoted=\"a b\"\r\n[LINK]\r\n更新日志=http://x/\r\n");
    EXPECT_EQ(GetProfileString("Application", "appname", "", ini), "Penlow");
    EXPECT_EQ(GetProfileString("APPLICATION", "quoted", "", ini), "a b");
    EXPECT_EQ(GetProfileString("LINK", "更新日志", "", ini), "http://x/");
    EXPECT_EQ(GetProfileString("Application", "note", "none", ini), "none");
    EXPECT_EQ(GetProfileString("Application", "missing", "dflt", ini), "dflt");
    EXPECT_EQ(GetProfileString("Application", "appname", "dflt", dir.file("absent.ini")), "dflt");
}

TEST(PrivateProfile, ValuesAreCutTo127CharactersWithoutSplittingUtf8) {
    TempDir dir;
    std::string ini = dir.file("Config.ini");
    std::string ascii(200, 'a');
    std::string cjk;
    for (int i = 0; i < 130; ++i) {
        cjk += "链";
    }
    ASSERT_TRUE(WriteProfileString("LINK", "long", ascii, ini));
    ASSERT_TRUE(WriteProfileString("LINK", "cjk", cjk, ini));
    EXPECT_EQ(GetProfileString("LINK", "long", "", ini), std::string(127, 'a'));
    std::string cut = GetProfileString("LINK", "cjk", "", ini);
    EXPECT_EQ(cut.size(), 127u * 3u);
    EXPECT_EQ(cut, cjk.substr(0, 127 * 3));
}

TEST(PrivateProfile, WritesCreateFileSectionAndKeyAndKeepEverythingElse) {
    TempDir dir;
    std::string ini = dir.file("Config.ini");
    ASSERT_TRUE(WriteProfileString("User", "name", "", ini));
    EXPECT_EQ(ReadFile(ini), "[User]\nname=\n");
    WriteFile(ini, "; keep me\r\n[User]\r\nname=old\r\n\r\n[Other]\r\nx=1\r\n");
    ASSERT_TRUE(WriteProfileString("user", "NAME", "new", ini));
    ASSERT_TRUE(WriteProfileString("User", "word", "pw", ini));
    ASSERT_TRUE(WriteProfileString("Third", "k", "v", ini));
    EXPECT_EQ(ReadFile(ini),
              "; keep me\r\n[User]\r\nNAME=new\nword=pw\n\r\n[Other]\r\nx=1\r\n[Third]\nk=v\n");
    EXPECT_EQ(GetProfileString("User", "name", "", ini), "new");
}

TEST(PrivateProfile, WriteIntoMissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(WriteProfileString("A", "b", "c", dir.file("no/such/folder/x.ini")));
}

// Several readers while one thread rewrites a key: every read is the old or the new value.
TEST(PrivateProfile, ConcurrentReadersNeverSeeTornValues) {
    TempDir dir;
    std::string ini = dir.file("Config.ini");
    const std::string first(100, 'a');
    const std::string second(100, 'b');
    ASSERT_TRUE(WriteProfileString("Application", "appname", first, ini));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!done) {
                std::string v = GetProfileString("Application", "appname", "", ini);
                if (v != first && v != second) {
                    ++torn;
                }
            }
        });
    }
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(WriteProfileString("Application", "appname", i % 2 ? first : second, ini));
    }
    done = true;
    for (auto& t : readers) {
        t.join();
    }
    EXPECT_EQ(torn.load(), 0);
}
