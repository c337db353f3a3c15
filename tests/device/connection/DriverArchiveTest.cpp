// The driver package's pieces without servers: entry names and kinds, unpacking real archives
// (hostile ones included), the checksum, and the small path and percent rules.
#include "device/connection/ArchiveEntryPath.h"
#include "device/connection/DriverArchive.h"
#include "device/connection/DriverInstall.h"
#include "device/connection/FileMd5.h"

#include "FileServer.h"
#include "TempDir.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

struct NameCase {
    std::string name;
    std::optional<std::string> expected;
};

class SafeEntryPathTest : public ::testing::TestWithParam<NameCase> {};

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Every path below `folder`, relative, sorted.
std::vector<std::string> listTree(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        paths.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

TEST_P(SafeEntryPathTest, NormalisesOrRefuses) {
    EXPECT_EQ(SafeEntryPath(GetParam().name), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeEntryPathTest,
    ::testing::Values(NameCase{"a/b.txt", "a/b.txt"}, NameCase{"a\\b\\c.inf", "a/b/c.inf"},
                      NameCase{"./a//b/", "a/b"}, NameCase{"setup.exe", "setup.exe"},
                      NameCase{"a..b/c", "a..b/c"}, NameCase{"../x", std::nullopt},
                      NameCase{"a/../../x", std::nullopt}, NameCase{"a\\..\\x", std::nullopt},
                      NameCase{"a/..", std::nullopt}, NameCase{"/etc/x", std::nullopt},
                      NameCase{"\\x", std::nullopt}, NameCase{"C:x", std::nullopt},
                      NameCase{"c:\\x", std::nullopt}, NameCase{"", std::nullopt},
                      NameCase{"./", std::nullopt},
                      NameCase{std::string(kMaxArchiveEntryName + 1, 'a'), std::nullopt},
                      NameCase{std::string("a\0b", 3), std::nullopt}));

TEST(ClassifyArchiveEntry, UnixModesKeepExecutableBitsAndRefuseLinks) {
    const std::uint32_t unix = (3u << 8) | 20u;
    EXPECT_EQ(ClassifyArchiveEntry("run.sh", unix, 0100755u << 16).mode, 0755u);
    EXPECT_EQ(ClassifyArchiveEntry("w.txt", unix, 0100666u << 16).mode, 0644u);
    EXPECT_EQ(ClassifyArchiveEntry("bare", unix, 0100000u << 16).mode, 0600u);
    EXPECT_EQ(ClassifyArchiveEntry("link", unix, 0120777u << 16).kind, ArchiveEntryKind::Refused);
    EXPECT_EQ(ClassifyArchiveEntry("fifo", unix, 0010644u << 16).kind, ArchiveEntryKind::Refused);
    EXPECT_EQ(ClassifyArchiveEntry("d", unix, 0040755u << 16).kind, ArchiveEntryKind::Folder);
    EXPECT_EQ(ClassifyArchiveEntry("osx", (19u << 8) | 20u, 0120755u << 16).kind,
              ArchiveEntryKind::Refused);
}

TEST(ClassifyArchiveEntry, DosEntriesAreFilesOrFolders) {
    EXPECT_EQ(ClassifyArchiveEntry("d\\", 20, 0).kind, ArchiveEntryKind::Folder);
    EXPECT_EQ(ClassifyArchiveEntry("d", 20, 0x10).kind, ArchiveEntryKind::Folder);
    const ArchiveEntryType file = ClassifyArchiveEntry("setup.exe", 20, 0x20);
    EXPECT_EQ(file.kind, ArchiveEntryKind::File);
    EXPECT_EQ(file.mode, 0644u);
    // A Unix-made entry whose high bits are empty is read the DOS way.
    EXPECT_EQ(ClassifyArchiveEntry("x/", (3u << 8) | 20u, 0x10).kind, ArchiveEntryKind::Folder);
}

TEST(DriverArchive, HostileEntriesAreSkippedAndNothingLeavesTheFolder) {
    TempDir dir;
    const std::string outside = dir.file("outside");
    const std::string folder = dir.file("pkg/unpack");
    fs::create_directories(outside);
    fs::create_directories(folder);
    {
        ZipBuilder zip(dir.file("pkg/hostile.zip"));
        zip.addFile("../escape.txt", "up");
        zip.addFile("../../escape2.txt", "up2");
        zip.addFile(outside + "/absolute.txt", "abs");
        zip.addSymlink("link", outside);
        zip.addFile("link/through.txt", "through");
        zip.addFolder("drivers");
        zip.addFile("drivers\\usb.inf", "[Version]");
        zip.addFile("bin/run.sh", "#!/bin/sh\n", 0775);
        zip.addDosFile("readme.txt", "text");
        ASSERT_TRUE(zip.close());
    }
    DriverArchive archive;
    ASSERT_TRUE(archive.open(dir.file("pkg/hostile.zip")));
    EXPECT_EQ(archive.extractAll(folder, {}), DriverArchive::Result::Unpacked);
    EXPECT_EQ(archive.refusedEntries(), 4u);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(listTree(dir.path() + "/pkg"),
              (std::vector<std::string>{"hostile.zip", "unpack", "unpack/bin", "unpack/bin/run.sh",
                                        "unpack/drivers", "unpack/drivers/usb.inf", "unpack/link",
                                        "unpack/link/through.txt", "unpack/readme.txt"}));
    EXPECT_FALSE(fs::is_symlink(folder + "/link"));
    EXPECT_EQ(modeOf(folder + "/bin/run.sh"), 0755u);
    EXPECT_EQ(modeOf(folder + "/readme.txt"), 0644u);
    EXPECT_EQ(ReadFile(folder + "/drivers/usb.inf"), "[Version]");
}

TEST(DriverArchive, ALinkAlreadyInTheFolderIsNeverFollowed) {
    TempDir dir;
    const std::string outside = dir.file("outside");
    const std::string folder = dir.file("unpack");
    fs::create_directories(outside);
    fs::create_directories(folder);
    fs::create_directory_symlink(outside, folder + "/evil");
    fs::create_symlink(outside + "/target.txt", folder + "/file.txt");
    {
        ZipBuilder zip(dir.file("a.zip"));
        zip.addFile("evil/x.txt", "x");
        zip.addFile("file.txt", "y");
        ASSERT_TRUE(zip.close());
    }
    DriverArchive archive;
    ASSERT_TRUE(archive.open(dir.file("a.zip")));
    EXPECT_EQ(archive.extractAll(folder, {}), DriverArchive::Result::Unpacked);
    EXPECT_EQ(archive.refusedEntries(), 2u);
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST(DriverArchive, NotAnArchiveDoesNotOpen) {
    TempDir dir;
    WriteFile(dir.file("x.zip"), "this is not a zip file");
    DriverArchive archive;
    EXPECT_FALSE(archive.open(dir.file("x.zip")));
    EXPECT_FALSE(archive.open(dir.file("missing.zip")));
    EXPECT_EQ(archive.extractAll(dir.path(), {}), DriverArchive::Result::Failed);
}

TEST(DriverArchive, AStopRequestCancelsTheUnpacking) {
    TempDir dir;
    {
        ZipBuilder zip(dir.file("a.zip"));
        zip.addFile("a.txt", "a");
        ASSERT_TRUE(zip.close());
    }
    std::stop_source stop;
    stop.request_stop();
    DriverArchive archive;
    ASSERT_TRUE(archive.open(dir.file("a.zip")));
    EXPECT_EQ(archive.extractAll(dir.path(), stop.get_token()), DriverArchive::Result::Cancelled);
    EXPECT_FALSE(fs::exists(dir.file("a.txt")));
}

TEST(FileMd5, DigestOfAFileAndCaseBlindComparison) {
    TempDir dir;
    const std::string content = PatternBytes(200 * 1024, 5);
    WriteFile(dir.file("p.zip"), content);
    const std::optional<std::string> digest = FileMd5Hex(dir.file("p.zip"));
    ASSERT_TRUE(digest);
    EXPECT_EQ(*digest, Md5Hex(content));
    EXPECT_FALSE(FileMd5Hex(dir.file("missing.zip")));
    EXPECT_TRUE(SameDigest("0a1b2c3d", "0A1B2C3D"));
    EXPECT_FALSE(SameDigest("0a1b2c3d", "0a1b2c3e"));
    EXPECT_FALSE(SameDigest("0a1b2c3d", "0a1b2c3"));
    EXPECT_FALSE(SameDigest(*digest, ""));
}

TEST(DriverInstallRules, UnpackFolderInfFileAndPercent) {
    EXPECT_EQ(UnpackFolderFor("/d/devices/usb_driver.zip"), "/d/devices/usb_driver");
    EXPECT_EQ(UnpackFolderFor("/d/devices/abcde"), "/d/devices/a");
    EXPECT_EQ(UnpackFolderFor("/d/devices/abcd"), std::nullopt);

    TempDir dir;
    WriteFile(dir.file("b.INF"), "b");
    WriteFile(dir.file("c.inf"), "c");
    fs::create_directories(dir.file("a.inf"));
    EXPECT_EQ(FindInfFile(dir.path()), "b.INF");
    EXPECT_EQ(FindInfFile(dir.file("a.inf")), std::nullopt);

    EXPECT_EQ(DownloadPercent(50, 200), 25);
    EXPECT_EQ(DownloadPercent(1, 3), 33);
    EXPECT_EQ(DownloadPercent(0, 0), 0);
    EXPECT_EQ(DownloadPercent(5'000'000'000'000ull, 10'000'000'000'000ull), 50);
}
