// The compiled manifest parser over manifests written as the Android build tools write them
// (tests/support/ApkBuilder), in both string pool encodings, and over damaged and hostile ones.
#include "downloads/apk/ManifestParser.h"

#include "ApkBuilder.h"

#include <gtest/gtest.h>

#include <cstring>

using apk::ParseAndroidManifest;
using testsupport::CompileXml;
using testsupport::ManifestElement;
using testsupport::ManifestFields;
using testsupport::XmlAttribute;
using testsupport::XmlElement;

namespace {

apk::ManifestParseResult Parse(const std::string& bytes) {
    return ParseAndroidManifest(
        apk::Bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

void Set32(std::string& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

void Set16(std::string& bytes, std::size_t at, std::uint16_t value) {
    std::memcpy(bytes.data() + at, &value, 2);
}

// The string pool chunk starts right after the 8-byte XML header.
constexpr std::size_t kPool = 8;

class ManifestEncodings : public testing::TestWithParam<bool> {};

} // namespace

TEST_P(ManifestEncodings, ReadsPackageVersionAndPlainLabel) {
    ManifestFields fields;
    fields.label = "天气预报 Weather 🌦";
    const auto result = Parse(CompileXml(ManifestElement(fields), GetParam()));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->packageName, "com.example.hello");
    EXPECT_EQ(result.manifest->versionName, "1.2.3");
    EXPECT_EQ(result.manifest->versionCode, 42u);
    EXPECT_EQ(result.manifest->label, "天气预报 Weather 🌦");
    EXPECT_EQ(result.manifest->displayName(), "天气预报 Weather 🌦");
}

TEST_P(ManifestEncodings, ALabelReferenceFallsBackToThePackageName) {
    ManifestFields fields;
    fields.labelIsReference = true;
    const auto result = Parse(CompileXml(ManifestElement(fields), GetParam()));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->label, "");
    EXPECT_EQ(result.manifest->displayName(), "com.example.hello");
}

TEST_P(ManifestEncodings, LongStringsUseTheTwoUnitLength) {
    ManifestFields fields;
    fields.label = std::string(150, 'L');
    fields.versionName = std::string(300, '9');
    const auto result = Parse(CompileXml(ManifestElement(fields), GetParam()));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->label, std::string(150, 'L'));
    // Cut to what a row shows.
    EXPECT_EQ(result.manifest->versionName, std::string(apk::kMaxVersionChars, '9'));
}

INSTANTIATE_TEST_SUITE_P(Utf8AndUtf16, ManifestEncodings, testing::Bool(),
                         [](const auto& info) { return info.param ? "Utf8" : "Utf16"; });

TEST(ManifestParser, AttributesAreKnownByTheirIdsWhenTheirNamesAreStripped) {
    // Shrinking tools blank the android attribute names; the resource map still names them.
    XmlElement manifest = ManifestElement({});
    for (XmlAttribute& a : manifest.attributes) {
        if (a.resourceId != 0) {
            a.name = "";
        }
    }
    manifest.children[1].attributes[1].name = "";
    const auto result = Parse(CompileXml(manifest));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->versionName, "1.2.3");
    EXPECT_EQ(result.manifest->versionCode, 42u);
    EXPECT_EQ(result.manifest->label, "Hello");
}

TEST(ManifestParser, ControlCharactersInTheLabelBecomeSpaces) {
    ManifestFields fields;
    fields.label = "  Line\none\tand\rtwo  ";
    const auto result = Parse(CompileXml(ManifestElement(fields)));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->label, "Line one and two");
}

TEST(ManifestParser, AVersionCutInsideSpacesEndsWithoutThem) {
    ManifestFields fields;
    fields.versionName = std::string(apk::kMaxVersionChars - 2, 'v') + "\n\n\n\nrest";
    const auto result = Parse(CompileXml(ManifestElement(fields)));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->versionName, std::string(apk::kMaxVersionChars - 2, 'v'));
}

TEST(ManifestParser, VersionTextFallsBackToTheCode) {
    ManifestFields fields;
    fields.versionName = "";
    const auto result = Parse(CompileXml(ManifestElement(fields)));
    ASSERT_TRUE(result.manifest) << result.error;
    EXPECT_EQ(result.manifest->versionText(), "42");
}

TEST(ManifestParser, PackageNamesAndroidRefusesAreRefused) {
    for (const char* name : {"", "hello", "com..x", "com.1x", ".com.x", "com.x.", "com.x;reboot",
                             "com.x y", "com.例子", "com.$x"}) {
        ManifestFields fields;
        fields.package = name;
        EXPECT_FALSE(Parse(CompileXml(ManifestElement(fields))).manifest) << name;
    }
    ManifestFields longest;
    longest.package = "a." + std::string(253, 'b');
    EXPECT_TRUE(Parse(CompileXml(ManifestElement(longest))).manifest);
    longest.package += "c";
    EXPECT_FALSE(Parse(CompileXml(ManifestElement(longest))).manifest);
}

TEST(ManifestParser, ARootOtherThanManifestIsRefused) {
    XmlElement root = ManifestElement({});
    root.name = "resources";
    const auto result = Parse(CompileXml(root));
    EXPECT_FALSE(result.manifest);
    EXPECT_NE(result.error.find("not <manifest>"), std::string::npos) << result.error;
}

TEST(ManifestParser, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
    for (bool utf8 : {true, false}) {
        const std::string whole = CompileXml(ManifestElement({}), utf8);
        ASSERT_TRUE(Parse(whole).manifest);
        for (std::size_t length = 0; length < whole.size(); ++length) {
            // Each prefix in a buffer of its own size, so the sanitizers see any over-read.
            const std::string prefix = whole.substr(0, length);
            EXPECT_FALSE(Parse(prefix).manifest) << "length " << length;
        }
    }
}

TEST(ManifestParser, NotCompiledXmlIsRefused) {
    EXPECT_FALSE(Parse("<?xml version=\"1.0\"?><manifest package=\"com.a.b\"/>").manifest);
    EXPECT_FALSE(Parse(std::string(4096, '\0')).manifest);
    EXPECT_FALSE(Parse(std::string(apk::kMaxManifestBytes + 1, 'x')).manifest);
}

TEST(ManifestParser, HostileStringPoolsAreRefused) {
    const std::string good = CompileXml(ManifestElement({}));
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    };
    const std::uint32_t count = Get32(good, kPool + 8);
    const Case cases[] = {
        {"huge string count", kPool + 8, 0x7FFFFFFF},
        {"count just past the chunk", kPool + 8, Get32(good, kPool + 4) / 4},
        {"huge style count", kPool + 12, 0x40000000},
        {"strings start outside the chunk", kPool + 20, 0xFFFFFF00},
        {"pool chunk larger than the file", kPool + 4, 0x10000000},
        {"pool header larger than the chunk", kPool + 2, 0xFFFF},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        if (c.at == kPool + 2) {
            Set16(bytes, c.at, static_cast<std::uint16_t>(c.value));
        } else {
            Set32(bytes, c.at, c.value);
        }
        EXPECT_FALSE(Parse(bytes).manifest) << c.what;
    }
    // Every string offset pointing outside the chunk: no name can be read.
    std::string offsets = good;
    for (std::uint32_t i = 0; i < count; ++i) {
        Set32(offsets, kPool + 28 + i * 4, 0x00FFFFF0);
    }
    EXPECT_FALSE(Parse(offsets).manifest);
}

TEST(ManifestParser, AStringLengthPastTheChunkIsRefused) {
    for (bool utf8 : {true, false}) {
        std::string bytes = CompileXml(ManifestElement({}), utf8);
        const std::size_t stringsStart = kPool + Get32(bytes, kPool + 20);
        const std::uint32_t count = Get32(bytes, kPool + 8);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = stringsStart + Get32(bytes, kPool + 28 + i * 4);
            if (utf8) {
                bytes[at + 1] = static_cast<char>(0xFF); // two-byte byte length, 0x7FFF
                bytes[at + 2] = static_cast<char>(0xFF);
            } else {
                Set16(bytes, at, 0x7FFF);
            }
        }
        EXPECT_FALSE(Parse(bytes).manifest) << (utf8 ? "utf8" : "utf16");
    }
}

TEST(ManifestParser, BadTextInThePackageNameIsRefused) {
    ManifestFields fields;
    fields.package = "com.xx.yy";
    for (bool utf8 : {true, false}) {
        std::string bytes = CompileXml(ManifestElement(fields), utf8);
        const std::size_t at =
            bytes.find(utf8 ? std::string("com.xx") : std::string("c\0o\0m\0.\0x\0x\0", 12));
        ASSERT_NE(at, std::string::npos);
        if (utf8) {
            bytes[at + 4] = static_cast<char>(0xC0); // an overlong lead byte
        } else {
            Set16(bytes, at + 8, 0xD800); // a high surrogate followed by 'x', not a low one
        }
        const auto result = Parse(bytes);
        EXPECT_FALSE(result.manifest) << (utf8 ? "utf8" : "utf16");
    }
}

TEST(ManifestParser, AttributeTablesOutsideTheElementAreRefused) {
    const std::string good = CompileXml(ManifestElement({}));
    // The first start element follows the pool, the resource map and the namespace chunk.
    std::size_t pos = kPool;
    pos += Get32(good, pos + 4);
    pos += Get32(good, pos + 4);
    pos += Get32(good, pos + 4);
    ASSERT_EQ(Get32(good, pos) & 0xFFFF, 0x0102u);
    for (auto [offset, value] : {std::pair<std::size_t, std::uint16_t>{16 + 12, 0xFFFF},
                                 {16 + 10, 0xFFFF},
                                 {16 + 8, 0xFFF0},
                                 {16 + 10, 4}}) {
        std::string bytes = good;
        Set16(bytes, pos + offset, value);
        EXPECT_FALSE(Parse(bytes).manifest) << offset << " = " << value;
    }
    std::string chunkTooLong = good;
    Set32(chunkTooLong, pos + 4, 0x7FFFFFF0);
    EXPECT_FALSE(Parse(chunkTooLong).manifest);
}
