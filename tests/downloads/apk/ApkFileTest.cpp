// Reading package files from disk: stored and deflated manifests, and files that are not
// packages, are damaged, or claim sizes beyond the bounds.
#include "downloads/apk/ApkFile.h"

#include "downloads/apk/ManifestParser.h"

#include "ApkBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using apk::ApkReadError;
using apk::ReadApkFile;
using testsupport::BuildApk;
using testsupport::BuildZip;
using testsupport::CompileXml;
using testsupport::ManifestElement;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

apk::ApkReadResult ReadBytes(const TempDir& dir, const std::string& bytes) {
    const std::string path = dir.file("some.apk");
    WriteFile(path, bytes);
    return ReadApkFile(path);
}

void Set32(std::string& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

/// Offset of the central directory record of AndroidManifest.xml in an archive from BuildZip.
std::size_t ManifestDirectoryRecord(const std::string& zip) {
    return zip.find(std::string("PK\1\2", 4));
}

} // namespace

TEST(ApkFile, StoredAndDeflatedManifestsInBothEncodings) {
    TempDir dir;
    for (bool deflate : {true, false}) {
        for (bool utf8 : {true, false}) {
            const std::string bytes = BuildApk({}, deflate, utf8);
            const auto result = ReadBytes(dir, bytes);
            ASSERT_TRUE(result.manifest) << result.detail;
            EXPECT_EQ(result.error, ApkReadError::None);
            EXPECT_EQ(result.manifest->packageName, "com.example.hello");
            EXPECT_EQ(result.manifest->label, "Hello");
            EXPECT_EQ(result.fileSize, bytes.size());
        }
    }
}

TEST(ApkFile, AnArchiveCommentDoesNotHideTheDirectory) {
    TempDir dir;
    const std::string manifest = CompileXml(ManifestElement({}));
    // A comment that itself holds an end record signature.
    const std::string comment = std::string("PK\5\6", 4) + std::string(300, 'c');
    const auto result =
        ReadBytes(dir, BuildZip({{"AndroidManifest.xml", manifest}}, true, comment));
    ASSERT_TRUE(result.manifest) << result.detail;
}

TEST(ApkFile, MissingAndUnreadableFilesSaySo) {
    TempDir dir;
    EXPECT_EQ(ReadApkFile(dir.file("none.apk")).error, ApkReadError::Missing);
    EXPECT_EQ(ReadApkFile(dir.file("none/inside.apk")).error, ApkReadError::Missing);
    EXPECT_EQ(ReadApkFile(dir.path()).error, ApkReadError::Unreadable);
}

TEST(ApkFile, FilesThatAreNoPackagesAreRefused) {
    TempDir dir;
    const std::string manifest = CompileXml(ManifestElement({}));
    const std::string apkBytes = BuildApk({});
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"text", "this is not an archive\n"},
        {"end record only", BuildZip({}, false)},
        {"no manifest", BuildZip({{"classes.dex", "dex"}}, true)},
        {"manifest in a folder", BuildZip({{"res/AndroidManifest.xml", manifest}}, true)},
        {"plain text manifest",
         BuildZip({{"AndroidManifest.xml", "<manifest package=\"com.a.b\"/>"}}, true)},
        {"truncated archive", apkBytes.substr(0, apkBytes.size() / 2)},
        {"cut before the end record", apkBytes.substr(0, apkBytes.size() - 1)},
    };
    for (const auto& c : cases) {
        const auto result = ReadBytes(dir, c.bytes);
        EXPECT_FALSE(result.manifest) << c.what;
        EXPECT_EQ(result.error, ApkReadError::NotAPackage) << c.what << ": " << result.detail;
    }
}

TEST(ApkFile, DamagedManifestEntriesAreRefused) {
    TempDir dir;
    const std::string manifest = CompileXml(ManifestElement({}));
    for (bool deflate : {true, false}) {
        const std::string zip = BuildZip({{"AndroidManifest.xml", manifest}}, deflate);
        const std::size_t record = ManifestDirectoryRecord(zip);
        std::string badCrc = zip;
        badCrc[record + 16] ^= 0x01;
        EXPECT_EQ(ReadBytes(dir, badCrc).error, ApkReadError::NotAPackage);
        std::string encrypted = zip;
        encrypted[record + 8] |= 0x01;
        EXPECT_EQ(ReadBytes(dir, encrypted).error, ApkReadError::NotAPackage);
        std::string badLocalOffset = zip;
        Set32(badLocalOffset, record + 42, 7);
        EXPECT_EQ(ReadBytes(dir, badLocalOffset).error, ApkReadError::NotAPackage);
        std::string badMethod = zip;
        badMethod[record + 10] = 12; // bzip2
        EXPECT_EQ(ReadBytes(dir, badMethod).error, ApkReadError::NotAPackage);
        // The data said to reach into the central directory.
        std::string longData = zip;
        Set32(longData, record + 20, static_cast<std::uint32_t>(record));
        EXPECT_EQ(ReadBytes(dir, longData).error, ApkReadError::NotAPackage);
    }
}

TEST(ApkFile, AManifestThatInflatesBeyondItsSizeIsRefused) {
    TempDir dir;
    const std::string manifest = CompileXml(ManifestElement({}));
    std::string zip = BuildZip({{"AndroidManifest.xml", manifest}}, true);
    // The entry says it is smaller than it inflates to: only that many bytes are made.
    Set32(zip, ManifestDirectoryRecord(zip) + 24, 16);
    EXPECT_EQ(ReadBytes(dir, zip).error, ApkReadError::NotAPackage);
}

TEST(ApkFile, ManifestsBeyondTheBoundAreTooLarge) {
    TempDir dir;
    // Deflated, five MiB of zeros take a few KiB on disk.
    const std::string huge(5 * 1024 * 1024, '\0');
    const auto result = ReadBytes(dir, BuildZip({{"AndroidManifest.xml", huge}}, true));
    EXPECT_EQ(result.error, ApkReadError::ManifestTooLarge) << result.detail;

    std::string claims = BuildZip({{"AndroidManifest.xml", CompileXml(ManifestElement({}))}}, true);
    Set32(claims, ManifestDirectoryRecord(claims) + 24, 0xFFFFFFF0);
    EXPECT_EQ(ReadBytes(dir, claims).error, ApkReadError::ManifestTooLarge);
}

TEST(ApkFile, HostileEndRecordsAreRefused) {
    TempDir dir;
    const std::string zip = BuildApk({});
    const std::size_t end = zip.size() - 22;
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    };
    for (const Case& c : {Case{"directory past the end record", end + 16, 0x7FFFFFF0},
                          Case{"directory size past the end", end + 12, 0x7FFFFFF0},
                          Case{"zip64 marker", end + 16, 0xFFFFFFFF}}) {
        std::string bytes = zip;
        Set32(bytes, c.at, c.value);
        EXPECT_EQ(ReadBytes(dir, bytes).error, ApkReadError::NotAPackage) << c.what;
    }
    // A directory said to be shorter than its records, the manifest's record last: the
    // search stops at the directory's end.
    std::string shortDirectory = BuildZip(
        {{"classes.dex", "dex"}, {"AndroidManifest.xml", CompileXml(ManifestElement({}))}}, true);
    const std::size_t shortEnd = shortDirectory.size() - 22;
    std::uint32_t size = 0;
    std::memcpy(&size, shortDirectory.data() + shortEnd + 12, 4);
    Set32(shortDirectory, shortEnd + 12, size - 10);
    EXPECT_EQ(ReadBytes(dir, shortDirectory).error, ApkReadError::NotAPackage);
}
