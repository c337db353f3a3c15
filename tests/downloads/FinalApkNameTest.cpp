// Final package names and the temporary ASCII name of an install: the numbered series, names
// the file system refuses, a failed rename, and the journal that brings a package back after
// the program was killed mid-install.
#include "downloads/FinalApkName.h"
#include "downloads/InstallRename.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

class FinalApkNameTest : public ::testing::Test {
protected:
    std::string folder() const { return m_dir.path() + "/"; }
    std::string engineFile(const std::string& name, const std::string& content = "apk") {
        WriteFile(folder() + name, content);
        return name;
    }
    TempDir m_dir;
};

} // namespace

TEST_F(FinalApkNameTest, TakenNamesGetNumbers) {
    EXPECT_EQ(FinalApkName("Chess", folder(), engineFile("a.apk")), "Chess.apk");
    EXPECT_EQ(FinalApkName("Chess", folder(), engineFile("b.apk")), "Chess(1).apk");
    EXPECT_EQ(FinalApkName("Chess", folder(), engineFile("c.apk", "third")), "Chess(2).apk");
    EXPECT_FALSE(Exists(folder() + "c.apk"));
    EXPECT_TRUE(Exists(folder() + "Chess(2).apk"));
}

TEST_F(FinalApkNameTest, AFileAlreadyUnderTheNameKeepsIt) {
    EXPECT_EQ(FinalApkName("chess", folder(), engineFile("chess.apk")), "chess.apk");
    EXPECT_TRUE(Exists(folder() + "chess.apk"));
    EXPECT_FALSE(Exists(folder() + "chess(1).apk"));
}

TEST_F(FinalApkNameTest, ChineseNameIsKept) {
    EXPECT_EQ(FinalApkName("植物大战僵尸", folder(), engineFile("pvz.apk")), "植物大战僵尸.apk");
    EXPECT_TRUE(Exists(folder() + "植物大战僵尸.apk"));
}

TEST_F(FinalApkNameTest, UnsafeNamesAreMadeSafe) {
    // A slash would name another folder (or escape this one); it must stay one file here.
    EXPECT_EQ(FinalApkName("../evil/x", folder(), engineFile("e.apk")), ".._evil_x.apk");
    EXPECT_TRUE(Exists(folder() + ".._evil_x.apk"));
    EXPECT_EQ(SafeFileStem(std::string("a\0b", 3)), "a_b");
    EXPECT_EQ(SafeFileStem(".."), "app");
    EXPECT_EQ(SafeFileStem("   "), "app"); // no "   .apk"
    EXPECT_EQ(SafeFileStem("  象棋 大师 "), "象棋 大师");
    EXPECT_EQ(SafeFileStem("tab\there"), "tab_here");
    // A very long name is cut without splitting a character.
    std::string longName;
    for (int i = 0; i < 100; ++i) {
        longName += "游";
    }
    const std::string stem = SafeFileStem(longName);
    EXPECT_LE(stem.size(), 200u);
    EXPECT_EQ(stem.size() % 3, 0u);
}

TEST_F(FinalApkNameTest, MissingTextsGiveNothing) {
    EXPECT_EQ(FinalApkName("", folder(), "a.apk"), "");
    EXPECT_EQ(FinalApkName("x", "", "a.apk"), "");
    EXPECT_EQ(FinalApkName("x", folder(), ""), "");
}

TEST_F(FinalApkNameTest, FailedRenameKeepsTheEngineName) {
    // The engine's file is not there: the rename fails and its name stays, with ".apk".
    EXPECT_EQ(FinalApkName("Chess", folder(), "gone.APK"), "gone.APK");
    EXPECT_EQ(FinalApkName("Chess", folder(), "gone.bin"), "gone.bin");
    EXPECT_FALSE(Exists(folder() + "Chess.apk"));
}

TEST(InstallRename, TemporaryNamesAreAsciiInTheSameFolder) {
    EXPECT_TRUE(NeedsAsciiName("/home/u/下载/游戏.apk"));
    EXPECT_FALSE(NeedsAsciiName("/home/u/apk/game.apk"));
    EXPECT_EQ(TemporaryInstallName("/home/u/下载/游戏.apk", 1234, 7).value(),
              "/home/u/下载/1234_7.apk");
    EXPECT_FALSE(TemporaryInstallName("游戏.apk", 1, 1).has_value());
}

TEST(InstallRename, MovesAwayAndBack) {
    TempDir dir;
    const std::string path = dir.file("游戏.apk");
    const std::string temporary = dir.file("1_0.apk");
    WriteFile(path, "package");
    InstallRename rename(dir.file("journal"));
    ASSERT_TRUE(rename.moveAway(path, temporary));
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(Exists(dir.file("journal")));
    rename.moveBack(temporary, path);
    EXPECT_TRUE(Exists(path));
    EXPECT_FALSE(Exists(temporary));
    EXPECT_FALSE(Exists(dir.file("journal")));
}

TEST(InstallRename, RecoveryAfterAKillMovesThePackageBack) {
    TempDir dir;
    const std::string path = dir.file("游戏.apk");
    const std::string temporary = dir.file("1_0.apk");
    WriteFile(path, "package");
    {
        InstallRename killed(dir.file("journal"));
        ASSERT_TRUE(killed.moveAway(path, temporary));
        // The program ends here without moving it back.
    }
    InstallRename next(dir.file("journal"));
    EXPECT_TRUE(next.recover());
    EXPECT_TRUE(Exists(path));
    EXPECT_FALSE(Exists(dir.file("journal")));
    EXPECT_FALSE(next.recover()); // nothing left to do
}

TEST(InstallRename, RecoveryNeverOverwritesAPackage) {
    TempDir dir;
    WriteFile(dir.file("journal"), dir.file("1_0.apk") + "\n" + dir.file("a.apk") + "\n");
    WriteFile(dir.file("1_0.apk"), "old");
    WriteFile(dir.file("a.apk"), "new");
    InstallRename rename(dir.file("journal"));
    EXPECT_FALSE(rename.recover());
    EXPECT_TRUE(Exists(dir.file("1_0.apk")));
}
