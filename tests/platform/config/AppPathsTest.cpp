#include "platform/config/AppPaths.h"
#include "platform/config/Config.h"

#include "TempDir.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using testsupport::ReadFile;
using testsupport::TempDir;

TEST(AppPaths, ModuleFolderIsTheExecutablesFolder) {
    std::string folder;
    ASSERT_TRUE(GetModuleFolder(folder));
    EXPECT_EQ(folder, std::filesystem::canonical("/proc/self/exe").parent_path().string());
}

TEST(AppPaths, BuildAppPathFileAndFolderForms) {
    OverrideModuleFolder("/opt/Penlow/");
    std::string path = "untouched";
    EXPECT_FALSE(BuildAppPath(nullptr, "skins", true, path));
    EXPECT_FALSE(BuildAppPath("0003", nullptr, true, path));
    EXPECT_EQ(path, "untouched");
    ASSERT_TRUE(BuildAppPath("0003", "skins", false, path));
    EXPECT_EQ(path, "/opt/Penlow/skins/0003/");
    ASSERT_TRUE(BuildAppPath("0003", "skins", true, path));
    EXPECT_EQ(path, "/opt/Penlow/skins/0003");
    ASSERT_TRUE(BuildAppPath("Config.ini", "data", true, path));
    EXPECT_EQ(path, "/opt/Penlow/data/Config.ini");
}

TEST(AppPaths, DocumentsFolderFollowsXdg) {
    testsupport::ScopedEnv env("XDG_DOCUMENTS_DIR", "/home/someone/Dokumente");
    std::string path;
    EXPECT_TRUE(GetDocumentsFolder(path));
    EXPECT_EQ(path, "/home/someone/Dokumente");
}

TEST(AppPaths, DocumentsFolderFromUserDirsFileOrHome) {
    TempDir home;
    testsupport::ScopedEnv noDirect("XDG_DOCUMENTS_DIR", "");
    testsupport::ScopedEnv homeEnv("HOME", home.path());
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", home.file(".config"));
    std::string path;
    GetDocumentsFolder(path);
    EXPECT_EQ(path, home.file("Documents"));
    testsupport::WriteFile(home.file(".config/user-dirs.dirs"),
                           "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    GetDocumentsFolder(path);
    EXPECT_EQ(path, home.file("Dokumente"));
}

TEST(AppPaths, CreateDirectoryPathCreatesEveryLevel) {
    TempDir dir;
    std::string deep = dir.file("a/b/c");
    EXPECT_TRUE(CreateDirectoryPath(deep.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    EXPECT_TRUE(CreateDirectoryPath((deep + "/").c_str()));
    EXPECT_FALSE(CreateDirectoryPath(nullptr));
}

TEST(AppPaths, CreateDirectoryPathStopsAtTheFirstFailureAndKeepsWhatItMade) {
    TempDir dir;
    testsupport::WriteFile(dir.file("made/blocker"), "a file, not a folder");
    std::string path = dir.file("made/blocker/x/y");
    EXPECT_FALSE(CreateDirectoryPath(path.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("made")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("made/blocker/x")));
}

TEST(Config, MissingKeysAreWrittenBackEmpty) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("data"));
    OverrideModuleFolder(dir.path());
    EXPECT_EQ(config::ReadOrCreateEmpty(config::kApplication, config::kCompany), "");
    EXPECT_EQ(config::ReadOrCreateEmpty(config::kUser, config::kUserName), "");
    EXPECT_EQ(ReadFile(dir.file("data/Config.ini")), "[Application]\ncompany=\n[User]\nname=\n");
    ASSERT_TRUE(config::Write(config::kApplication, config::kCompany, "ACME"));
    EXPECT_EQ(config::ReadOrCreateEmpty(config::kApplication, config::kCompany), "ACME");
}
