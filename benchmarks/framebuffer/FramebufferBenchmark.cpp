// Screenshot speed: CaptureFramebuffer of a 1080 x 2400 x 4 frame from phonesim (transport,
// header, pixels, colour swap, BMP file) against a baseline that only reads the same frame
// bytes from the same loopback server. The client's fixed 100 ms pause before the
// framebuffer answer is taken out of the capture time. Goal: capture <= 2 x baseline.
#include "platform/config/AppPaths.h"
#include "device/bridge/AdbHostClient.h"
#include "device/bridge/AdbHostProtocol.h"
#include "platform/TcpConnection.h"

#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRounds = 10;
constexpr double kFixedPauseMs = 100.0;
constexpr std::size_t kFrameBytes = 1080u * 2400u * 4u;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The baseline: the same request, every byte read into memory, nothing else.
bool rawRead(int port, const std::string& serial, std::vector<char>& buffer) {
    platform::TcpConnection connection;
    char status[4];
    if (!connection.connect("127.0.0.1", static_cast<std::uint16_t>(port)) ||
        !connection.sendAll(*AdbRequest("host:transport:" + serial)) ||
        connection.receiveExact(status, 4) != 4 || !connection.sendAll("000cframebuffer:") ||
        connection.receiveExact(status, 4) != 4) {
        return false;
    }
    return connection.receiveExact(buffer.data(), kFramebufferHeaderV2 + kFrameBytes) ==
           kFramebufferHeaderV2 + kFrameBytes;
}

} // namespace

int main() {
    setenv("PENLOW_SOURCE_DIR", PENLOW_SOURCE_DIR_FOR_BENCHMARK, 0);
    testsupport::TempDir programFolder;
    testsupport::PrepareProgramFolder(programFolder.path());
    OverrideModuleFolder(programFolder.path());
    testsupport::ScopedCwd cwd(programFolder.path());
    testsupport::PhoneSimProcess sim({R"({"serial": "BENCH0001", "screen": {"width": 1080,
        "height": 2400, "format": "rgba8888", "header": "v2", "pattern": "gradient"}})"});
    if (!sim.started()) {
        std::fprintf(stderr, "phonesim did not start\n");
        return 1;
    }
    testsupport::ScopedEnv port("ANDROID_ADB_SERVER_PORT", std::to_string(sim.port()));
    std::string path;
    if (GetSerial(true).serial.empty() || !CaptureFramebuffer(false, path)) { // warm-up
        std::fprintf(stderr, "no screenshot from phonesim\n");
        return 1;
    }
    // Rounds alternate between the two so that a busy machine slows both alike.
    std::vector<char> buffer(kFramebufferHeaderV2 + kFrameBytes);
    double rawTotal = 0;
    double captureTotal = 0;
    for (int i = 0; i < kRounds; ++i) {
        Clock::time_point start = Clock::now();
        if (!rawRead(sim.port(), "BENCH0001", buffer)) {
            std::fprintf(stderr, "raw read failed\n");
            return 1;
        }
        rawTotal += millisecondsSince(start);
        start = Clock::now();
        if (!CaptureFramebuffer(false, path)) {
            std::fprintf(stderr, "capture failed\n");
            return 1;
        }
        captureTotal += millisecondsSince(start) - kFixedPauseMs;
    }
    const double rawMs = rawTotal / kRounds;
    const double captureMs = captureTotal / kRounds;
    std::printf("framebuffer 1080x2400x4, %d rounds each\n", kRounds);
    std::printf("  baseline raw read:          %8.1f ms\n", rawMs);
    std::printf("  capture + BMP (no pause):   %8.1f ms\n", captureMs);
    std::printf("  ratio capture / baseline:   %8.2f  (goal <= 2.00)\n", captureMs / rawMs);
    return 0;
}
