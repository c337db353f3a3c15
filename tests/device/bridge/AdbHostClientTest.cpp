// GetSerial and CaptureFramebuffer against phonesim, with the real adb client doing the
// `adb devices` step. Screenshots are decoded with QImage and compared pixel by pixel with
// the picture the phone was scripted to show.
#include "device/bridge/AdbHostClient.h"

#include "platform/config/AppPaths.h"
#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

using testsupport::PhoneSimProcess;

constexpr int kWidth = 5; // odd: 24-bit rows need padding
constexpr int kHeight = 4;

QRgb screenPixel(int x, int y) {
    return qRgb(40 * x + 10, 60 * y + 5, 8 * (x + y) + 3);
}

std::string screenPpm() {
    std::string ppm = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            QRgb p = screenPixel(x, y);
            ppm += {char(qRed(p)), char(qGreen(p)), char(qBlue(p))};
        }
    }
    return ppm;
}

std::string phoneJson(const std::string& serial, const std::string& extra = "") {
    return R"({"serial": ")" + serial + R"(", "screen": {"image": "screen.ppm"})" +
           (extra.empty() ? "" : ", " + extra) + "}";
}

// Compares a decoded screenshot with the scripted screen; `expect` maps a screen pixel
// position to the colour the screenshot should have there.
void expectPicture(const std::string& path, const std::function<QRgb(int, int)>& expect) {
    QImage image(QString::fromStdString(path));
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight)) << path;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, expect(x, y) & 0xFFFFFF)
                << "pixel " << x << "," << y;
        }
    }
}

QRgb quantised565(QRgb p) {
    return qRgb(qRed(p) & 0xF8, qGreen(p) & 0xFC, qBlue(p) & 0xF8);
}

class AdbHostClientTest : public ::testing::Test {
protected:
    // The program folder is fixed for the process (its text is computed once), so all tests
    // share one, with bin/Korvash/adb linked to the real client.
    static const std::string& programFolder() {
        static testsupport::TempDir dir;
        static const bool prepared = [] {
            testsupport::PrepareProgramFolder(dir.path());
            OverrideModuleFolder(dir.path());
            return true;
        }();
        (void)prepared;
        return dir.path();
    }

    void SetUp() override {
        m_cwd = std::make_unique<testsupport::ScopedCwd>(programFolder());
        std::filesystem::remove_all(programFolder() + "/image");
        ResetSerialCacheForTesting();
    }

    // False when phonesim did not come up; the test must stop then, or the real adb client
    // would start a real adb server on the default port.
    [[nodiscard]] bool start(const std::vector<std::string>& phones,
                             const std::vector<std::string>& args = {}) {
        m_sim = std::make_unique<PhoneSimProcess>(phones, args);
        if (!m_sim->started()) {
            return false;
        }
        testsupport::WriteFile(m_sim->folder() + "/screen.ppm", screenPpm());
        m_port = std::make_unique<testsupport::ScopedEnv>("ANDROID_ADB_SERVER_PORT",
                                                          std::to_string(m_sim->port()));
        return true;
    }

    void control(const std::string& command) { ASSERT_TRUE(m_sim->control(command)) << command; }

    std::string capture(bool rotate, bool expectSuccess = true) {
        std::string path;
        EXPECT_EQ(CaptureFramebuffer(rotate, path), expectSuccess);
        return path;
    }

    std::unique_ptr<testsupport::ScopedCwd> m_cwd;
    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<testsupport::ScopedEnv> m_port;
};

TEST_F(AdbHostClientTest, SerialAndModeFollowTheListing) {
    ASSERT_TRUE(start({phoneJson("0123456789AB")}));
    AdbSerial normal = GetSerial(false);
    EXPECT_EQ(normal.serial, "0123456789AB");
    EXPECT_EQ(normal.mode, AdbMode::Device);
    control("state 0123456789AB recovery");
    AdbSerial recovery = GetSerial(true);
    EXPECT_EQ(recovery.serial, "0123456789AB");
    EXPECT_EQ(recovery.mode, AdbMode::Recovery);
    control("state 0123456789AB offline");
    EXPECT_EQ(GetSerial(true).serial, "");
    auto log = m_sim->log();
    EXPECT_NE(std::find(log.begin(), log.end(), "host\t-\thost:track-devices"), log.end());
}

TEST_F(AdbHostClientTest, SerialIsKeptUntilForced) {
    ASSERT_TRUE(start({phoneJson("KEPT0001")}));
    EXPECT_EQ(GetSerial(false).serial, "KEPT0001");
    control("unplug KEPT0001");
    EXPECT_EQ(GetSerial(false).serial, "KEPT0001");
    EXPECT_EQ(GetSerial(true).serial, "");
}

TEST_F(AdbHostClientTest, NoPhoneGivesAnEmptySerial) {
    ASSERT_TRUE(start({}));
    EXPECT_EQ(GetSerial(true).serial, "");
    std::string path;
    EXPECT_FALSE(CaptureFramebuffer(false, path));
}

TEST_F(AdbHostClientTest, RepliesInSmallPiecesAreReadWhole) {
    ASSERT_TRUE(start(
        {phoneJson("FRAGMENTED01", R"("screen": {"image": "screen.ppm", "format": "bgra8888"})")},
        {"--fragment", "3"}));
    EXPECT_EQ(GetSerial(true).serial, "FRAGMENTED01");
    expectPicture(capture(false), screenPixel);
}

TEST_F(AdbHostClientTest, RefusedTrackDevicesGivesAnEmptySerial) {
    ASSERT_TRUE(start({phoneJson("PSIM0001")}, {"--fault", "host:track-devices=fail"}));
    EXPECT_EQ(GetSerial(true).serial, "");
}

TEST_F(AdbHostClientTest, ScreenshotsOfEachPixelFormat) {
    ASSERT_TRUE(start({phoneJson("PSIM0001")}));
    struct Case {
        const char* screen;
        std::function<QRgb(int, int)> expect;
    };
    const Case cases[] = {
        {R"({"format": "rgba8888", "header": "v2"})", screenPixel}, // R and B exchanged
        {R"({"format": "rgba8888", "header": "v1"})", screenPixel},
        {R"({"format": "bgra8888", "header": "v1"})", screenPixel}, // written as received
        {R"({"format": "rgbx8888", "header": "v2"})", screenPixel},
        {R"({"format": "rgb565", "header": "v2"})",
         [](int x, int y) { return quantised565(screenPixel(x, y)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        control(std::string(R"(set PSIM0001 {"screen": )") + c.screen + "}");
        std::string path = capture(false);
        EXPECT_EQ(path, programFolder() + "/image/PSIM0001.bmp");
        expectPicture(path, c.expect);
    }
}

TEST_F(AdbHostClientTest, RecoveryPhoneSendsTheOldFormatAfterTheNudge) {
    ASSERT_TRUE(start({phoneJson(
        "RECOVERY01",
        R"("state": "recovery", "screen": {"image": "screen.ppm", "format": "rgb565"})")}));
    expectPicture(capture(false), [](int x, int y) { return quantised565(screenPixel(x, y)); });
    auto log = m_sim->log();
    EXPECT_NE(std::find(log.begin(), log.end(), "framebuffer\tRECOVERY01\tnudge 3030"), log.end());
}

TEST_F(AdbHostClientTest, UpsideDownPhoneIsTurnedUpright) {
    ASSERT_TRUE(
        start({phoneJson("V880", R"("screen": {"image": "screen.ppm", "upside_down": true})")}));
    expectPicture(capture(true), screenPixel);
    expectPicture(capture(false),
                  [](int x, int y) { return screenPixel(kWidth - 1 - x, kHeight - 1 - y); });
    control(R"(set V880 {"screen": {"format": "rgb565"}})");
    expectPicture(capture(true), [](int x, int y) { return quantised565(screenPixel(x, y)); });
}

TEST_F(AdbHostClientTest, ServerClosingMidTransferLeavesTheRestBlack) {
    ASSERT_TRUE(
        start({phoneJson("PSIM0001", R"("faults": {"framebuffer": "close_mid_transfer"})")}));
    expectPicture(capture(false),
                  [](int x, int y) { return y < kHeight / 2 ? screenPixel(x, y) : qRgb(0, 0, 0); });
}

TEST_F(AdbHostClientTest, BrokenFramesAreRefusedWithoutAFile) {
    ASSERT_TRUE(start({phoneJson("PSIM0001")}));
    for (const char* fault : {"absurd_dimensions", "fail", "close", "short_header", "stall"}) {
        SCOPED_TRACE(fault);
        control(std::string(R"(set PSIM0001 {"faults": {"framebuffer": ")") + fault + "\"}}");
        capture(false, false);
        EXPECT_FALSE(std::filesystem::exists(programFolder() + "/image/PSIM0001.bmp"));
    }
}

TEST_F(AdbHostClientTest, NetworkSerialGivesKivcut) {
    ASSERT_TRUE(start({phoneJson("192.168.1.5:5555")}));
    std::string path = capture(false);
    EXPECT_EQ(path, programFolder() + "/image/kivcut.bmp");
    expectPicture(path, screenPixel);
}

} // namespace
