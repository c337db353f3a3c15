// The live phone picture: ShowPhone for a 1080 x 2400 phone from phonesim (capture, BMP file,
// model database lookup, shell composition with smooth scaling, cut.bmp) against
// CaptureFramebuffer alone in the same run. Goal: ShowPhone <= 1.5 x capture, so that the
// device page's refresh is paced by its 1-second pause, not by the composition.
#include "device/bridge/AdbHostClient.h"
#include "device/bridge/DeviceIdentity.h"
#include "device/display/ShowPhone.h"
#include "platform/config/AppPaths.h"
#include "resources/PictureResources.h"

#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kRounds = 10;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool KnownModel(const std::string&, const std::string&, const std::string&, const std::string&,
                MachineDisplayInfo& info) {
    info.showName = "Bench Phone";
    info.type = 1;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    setenv("PENLOW_SOURCE_DIR", PENLOW_SOURCE_DIR_FOR_BENCHMARK, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    resources::RegisterPictureResources();
    testsupport::TempDir programFolder;
    testsupport::PrepareProgramFolder(programFolder.path());
    OverrideModuleFolder(programFolder.path());
    testsupport::ScopedCwd cwd(programFolder.path());
    testsupport::PhoneSimProcess sim({R"({"serial": "BENCH0001", "props": {"ro.product.model":
        "Bench", "ro.product.device": "bench"}, "screen": {"width": 1080, "height": 2400,
        "format": "rgba8888", "header": "v2", "pattern": "gradient"}})"});
    if (!sim.started()) {
        std::fprintf(stderr, "phonesim did not start\n");
        return 1;
    }
    testsupport::ScopedEnv port("ANDROID_ADB_SERVER_PORT", std::to_string(sim.port()));
    std::string text;
    GetModel(text, true);
    GetProductDevice(text, true);
    std::string path;
    PhonePicture picture;
    // Warm-up; the first ShowPhone also stores the model, as on a phone's first connection.
    if (GetSerial(true).serial.empty() || !CaptureFramebuffer(false, path) ||
        !ShowPhone("18D1", "4EE2", KnownModel, picture)) {
        std::fprintf(stderr, "no picture from phonesim\n");
        return 1;
    }
    // Rounds alternate between the two so that a busy machine slows both alike.
    double captureTotal = 0;
    double showTotal = 0;
    for (int i = 0; i < kRounds; ++i) {
        Clock::time_point start = Clock::now();
        if (!CaptureFramebuffer(false, path)) {
            std::fprintf(stderr, "capture failed\n");
            return 1;
        }
        captureTotal += millisecondsSince(start);
        start = Clock::now();
        if (!ShowPhone("18D1", "4EE2", KnownModel, picture)) {
            std::fprintf(stderr, "ShowPhone failed\n");
            return 1;
        }
        showTotal += millisecondsSince(start);
    }
    const double captureMs = captureTotal / kRounds;
    const double showMs = showTotal / kRounds;
    std::printf("ShowPhone 1080x2400x4 through phonesim, %d rounds each\n", kRounds);
    std::printf("  baseline CaptureFramebuffer: %8.1f ms\n", captureMs);
    std::printf("  ShowPhone (all steps):       %8.1f ms\n", showMs);
    std::printf("  ratio ShowPhone / capture:   %8.2f  (goal <= 1.50)\n", showMs / captureMs);
    return 0;
}
