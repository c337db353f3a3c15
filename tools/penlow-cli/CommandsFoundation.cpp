// penlow-cli commands of the foundation: the process runners, the adb listing and Config.ini.
#include "CliRegistry.h"

#include "platform/config/Config.h"
#include "device/bridge/AdbCommands.h"
#include "device/bridge/AdbDeviceListing.h"
#include "device/bridge/ProcessRunner.h"

#include <charconv>
#include <cstdio>

namespace {

int runCapture(const CliArgs& args) {
    if (args.size() != 1) {
        return CliUsageError("run-capture CMDLINE");
    }
    std::string output = RunCapture(args[0]);
    std::fwrite(output.data(), 1, output.size(), stdout);
    return output == "fail" ? 1 : 0;
}

int runCaptureTimed(const CliArgs& args) {
    int seconds = 0;
    if (args.size() != 2 ||
        std::from_chars(args[0].data(), args[0].data() + args[0].size(), seconds).ec !=
            std::errc()) {
        return CliUsageError("run-capture-timed SECONDS CMDLINE");
    }
    std::string output = RunCaptureTimed(args[1], seconds);
    std::fwrite(output.data(), 1, output.size(), stdout);
    return 0;
}

int adbDevices(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("adb-devices");
    }
    std::string output = RunCapture(kAdbDevices);
    auto entries = ParseDeviceListing(output);
    if (!entries) {
        std::printf("no listing\n");
        return 1;
    }
    for (const AdbDeviceEntry& entry : *entries) {
        std::printf("%s\t%s%s\n", entry.serial.c_str(), entry.state.c_str(),
                    entry.online() ? "\tonline" : "");
    }
    return 0;
}

int ini(const CliArgs& args) {
    if (args.size() == 3 && args[0] == "get") {
        std::string value = config::Read(args[1], args[2]);
        std::printf("%s\n", value.c_str());
        return value.empty() ? 1 : 0;
    }
    if (args.size() == 4 && args[0] == "set") {
        return config::Write(args[1], args[2], args[3]) ? 0 : 1;
    }
    return CliUsageError("ini get SECTION KEY | ini set SECTION KEY VALUE");
}

const CliRegistration kRunCapture{"run-capture", "run-capture CMDLINE",
                                  "runs a command line and prints its output", runCapture};
const CliRegistration kRunCaptureTimed{"run-capture-timed", "run-capture-timed SECONDS CMDLINE",
                                       "the same with a time limit (empty on time-out)",
                                       runCaptureTimed};
const CliRegistration kAdbDevicesCommand{
    "adb-devices", "adb-devices", "the parsed adb device listing: serial, state", adbDevices};
const CliRegistration kIni{"ini", "ini get SECTION KEY | ini set SECTION KEY VALUE",
                           "reads or writes a key of data/Config.ini", ini};

} // namespace
