// penlow-cli commands of the adb host-protocol client: the attached phone's serial and a
// screenshot, read over the adb server socket (ANDROID_ADB_SERVER_PORT, else 5037).
#include "CliRegistry.h"

#include "device/bridge/AdbHostClient.h"

#include <cstdio>

namespace {

int serial(const CliArgs& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != "--force")) {
        return CliUsageError("serial [--force]");
    }
    // A fresh process has nothing kept yet, so the first call always asks the server.
    const AdbSerial phone = GetSerial(!args.empty());
    if (phone.serial.empty()) {
        std::fprintf(stderr, "no phone in state device or recovery\n");
        return 1;
    }
    std::printf("%s\n%s\n", phone.serial.c_str(),
                phone.mode == AdbMode::Recovery ? "recovery" : "device");
    return 0;
}

int screenshot(const CliArgs& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != "--rotate")) {
        return CliUsageError("screenshot [--rotate]");
    }
    std::string path;
    if (!CaptureFramebuffer(!args.empty(), path)) {
        std::fprintf(stderr, "no screenshot\n");
        return 1;
    }
    std::printf("%s\n%s\n", GetSerial(false).serial.c_str(), path.c_str());
    return 0;
}

const CliRegistration kSerial{"serial", "serial [--force]",
                              "the attached phone's serial and mode (device or recovery)", serial,
                              CliPhone::Follow};
const CliRegistration kScreenshot{"screenshot", "screenshot [--rotate]",
                                  "writes image/<serial>.bmp from the frame buffer; prints "
                                  "serial and path",
                                  screenshot, CliPhone::Follow};

} // namespace
