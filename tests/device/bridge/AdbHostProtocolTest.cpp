// The adb host-protocol pieces without a socket: request framing, the track-devices listing,
// frame-buffer headers (version 1, version 2, old format, hostile sizes) and file names.
#include "device/bridge/AdbHostProtocol.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> words(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t v : values) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    return bytes;
}

TEST(AdbHostProtocol, RequestsCarryTheirHexLength) {
    EXPECT_EQ(AdbRequest("host:track-devices"), "0012host:track-devices");
    EXPECT_EQ(AdbRequest("framebuffer:"), "000cframebuffer:");
    // The transport request of a 12-character serial: 15 + 12 = 0x1b.
    EXPECT_EQ(AdbRequest("host:transport:0123456789AB"), "001bhost:transport:0123456789AB");
    EXPECT_EQ(AdbRequest(std::string(0x10000, 'x')), std::nullopt);
}

TEST(AdbHostProtocol, ServerPortFromEnvironmentText) {
    EXPECT_EQ(AdbServerPortFrom(nullptr), 5037);
    EXPECT_EQ(AdbServerPortFrom(""), 5037);
    EXPECT_EQ(AdbServerPortFrom("15037"), 15037);
    // adb refuses these; the program must not fall back to the default server either.
    for (const char* bad : {"0", "65536", "12ab", "-5", " 5038"}) {
        EXPECT_EQ(AdbServerPortFrom(bad), std::nullopt) << bad;
    }
}

TEST(AdbHostProtocol, HexLengthNeedsFourHexDigits) {
    EXPECT_EQ(ParseHexLength("0014"), 20u);
    EXPECT_EQ(ParseHexLength("00fF"), 255u);
    EXPECT_EQ(ParseHexLength("0000"), 0u);
    for (const char* bad : {"", "014", "00014", "00g1", "-001"}) {
        EXPECT_EQ(ParseHexLength(bad), std::nullopt) << bad;
    }
}

TEST(AdbHostProtocol, TrackedPhoneSelection) {
    AdbSerial one = SelectTrackedPhone("0123456789AB\tdevice\n");
    EXPECT_EQ(one.serial, "0123456789AB");
    EXPECT_EQ(one.mode, AdbMode::Device);
    AdbSerial recovery = SelectTrackedPhone("0123456789AB\trecovery\n");
    EXPECT_EQ(recovery.serial, "0123456789AB");
    EXPECT_EQ(recovery.mode, AdbMode::Recovery);
    EXPECT_EQ(SelectTrackedPhone("").serial, "");
    EXPECT_EQ(SelectTrackedPhone("abc\toffline\nxyz\tunauthorized\n").serial, "");
    // A serial that contains the word "device" is not mistaken for the state.
    EXPECT_EQ(SelectTrackedPhone("mydevice1\toffline\n").serial, "");
    // Several phones: the first usable one, a normal one before one in recovery.
    AdbSerial picked = SelectTrackedPhone("A\toffline\nB\trecovery\nC\tdevice\nD\tdevice\n");
    EXPECT_EQ(picked.serial, "C");
    EXPECT_EQ(picked.mode, AdbMode::Device);
    EXPECT_EQ(SelectTrackedPhone("192.168.1.5:5555\tdevice").serial, "192.168.1.5:5555");
    // A followed phone: only its line counts.
    EXPECT_EQ(SelectTrackedPhone("C\tdevice\nD\tdevice\n", "D").serial, "D");
    EXPECT_EQ(SelectTrackedPhone("C\tdevice\nD\trecovery\n", "D").mode, AdbMode::Recovery);
    EXPECT_EQ(SelectTrackedPhone("C\tdevice\nD\toffline\n", "D").serial, "");
    EXPECT_EQ(SelectTrackedPhone("CD\tdevice\n", "C").serial, "");
}

TEST(AdbHostProtocol, VersionOneHeader) {
    auto info =
        ParseFramebufferHeader(words({1, 32, 1536000, 480, 800, 0, 8, 16, 8, 8, 8, 24, 8}), false);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 480u);
    EXPECT_EQ(info->height, 800u);
    EXPECT_EQ(info->bytesPerPixel, 4u);
    EXPECT_TRUE(info->swapRedBlue);
    EXPECT_EQ(info->byteCount(), 1536000u);
    auto bgra =
        ParseFramebufferHeader(words({1, 32, 1536000, 480, 800, 16, 8, 0, 8, 8, 8, 24, 8}), false);
    ASSERT_TRUE(bgra);
    EXPECT_FALSE(bgra->swapRedBlue);
}

TEST(AdbHostProtocol, VersionTwoHeaderHasAColourSpaceWord) {
    EXPECT_EQ(CurrentHeaderSize(2), 56u);
    EXPECT_EQ(CurrentHeaderSize(1), 52u);
    auto info = ParseFramebufferHeader(
        words({2, 32, 0, 8294400, 1080, 1920, 0, 8, 16, 8, 8, 8, 24, 8}), false);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 1080u);
    EXPECT_EQ(info->height, 1920u);
    EXPECT_TRUE(info->swapRedBlue);
    auto rgb565 =
        ParseFramebufferHeader(words({2, 16, 0, 768000, 480, 800, 11, 5, 0, 5, 5, 6, 0, 0}), false);
    ASSERT_TRUE(rgb565);
    EXPECT_EQ(rgb565->bytesPerPixel, 2u);
    EXPECT_FALSE(rgb565->swapRedBlue);
    // A version 2 header cut to 52 bytes is incomplete.
    auto cut = words({2, 32, 0, 8294400, 1080, 1920, 0, 8, 16, 8, 8, 8, 24});
    EXPECT_FALSE(ParseFramebufferHeader(cut, false));
}

TEST(AdbHostProtocol, OldHeaderDerivesBytesPerPixel) {
    auto info = ParseFramebufferHeader(words({16, 768000, 480, 800}), true);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bytesPerPixel, 2u);
    EXPECT_EQ(info->width, 480u);
    EXPECT_FALSE(info->swapRedBlue);
    EXPECT_FALSE(ParseFramebufferHeader(words({16, 768000, 0, 800}), true));
    EXPECT_FALSE(ParseFramebufferHeader(words({16, 768000, 480}), true));
}

TEST(AdbHostProtocol, HostileHeadersAreRefused) {
    const std::vector<std::vector<std::uint8_t>> bad = {
        words({1, 32, 0, 100000, 100000, 0, 8, 16, 8, 8, 8, 24, 8}),         // 40 GB
        words({1, 32, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0, 8, 16, 8, 8, 8, 24, 8}), // overflow
        words({1, 0xFFFFFFF8, 0, 4096, 4096, 0, 8, 16, 8, 8, 8, 24, 8}),     // huge depth
        words({1, 32, 0, 0, 800, 0, 8, 16, 8, 8, 8, 24, 8}),                 // no width
        words({1, 8, 0, 480, 800, 0, 8, 16, 8, 8, 8, 24, 8}),                // 1 byte/pixel
        words({1, 64, 0, 480, 800, 0, 8, 16, 8, 8, 8, 24, 8}),               // 8 bytes/pixel
    };
    for (const auto& header : bad) {
        EXPECT_FALSE(ParseFramebufferHeader(header, false));
    }
    EXPECT_FALSE(ParseFramebufferHeader(words({16, 0xFFFFFFFF, 1, 1}), true));
    // 4096 x 4096 x 4 is exactly 64 MiB: still accepted.
    EXPECT_TRUE(
        ParseFramebufferHeader(words({1, 32, 0, 4096, 4096, 0, 8, 16, 8, 8, 8, 24, 8}), false));
}

TEST(AdbHostProtocol, ScreenshotNames) {
    EXPECT_EQ(ScreenshotFileName("0123456789AB"), "0123456789AB.bmp");
    EXPECT_EQ(ScreenshotFileName("192.168.1.5:5555"), "kivcut.bmp");
    for (char c : std::string("/\\:*?\"<>|")) {
        EXPECT_EQ(ScreenshotFileName(std::string("ab") + c + "cd"), "kivcut.bmp") << c;
    }
    EXPECT_EQ(ScreenshotFileName(std::string("ab\0cd", 5)), "kivcut.bmp");
    EXPECT_EQ(ScreenshotFileName(".."), "...bmp");
}

} // namespace
