#include "BatteryQuery.h"

#include "AdbCommands.h"
#include "BatteryParsers.h"
#include "Busybox.h"
#include "OutputText.h"
#include "PhoneInfo.h"
#include "ProcessRunner.h"

#include <optional>

namespace {

constexpr int kPasses = 4;
constexpr int kFirstSearchPass = 3; // counted from 1
constexpr int kReadLimitSeconds = 10;
constexpr int kFindLimitSeconds = 5;
constexpr const char* kSuRead =
    "bin\\Korvash\\adb shell su -c \"cat /sys/class/power_supply/battery/capacity\"";
constexpr const char* kPlainRead =
    "bin\\Korvash\\adb shell \"cat /sys/class/power_supply/battery/capacity\"";
constexpr const char* kSuFind = "bin\\Korvash\\adb shell su -c \"find -name \"capacity\"\"";

// Where the phone keeps a "capacity" file: find through su, else busybox's find.
std::optional<std::string> findCapacityFile() {
    std::string found = RunCaptureTimed(kSuFind, kFindLimitSeconds);
    if (!Contains(found, "capacity") || Contains(found, "find: not found")) {
        found = RunBusybox("find -name \"capacity\"");
    }
    if (found.empty()) {
        return std::nullopt;
    }
    return CapacityPathFromFind(found);
}

} // namespace

bool QueryBattery(std::string& level) {
    std::string command = kSuRead;
    for (int pass = 1; pass <= kPasses; ++pass) {
        std::string output = RunCaptureTimed(command, kReadLimitSeconds);
        if (Contains(output, "su:")) {
            command = kPlainRead;
            continue;
        }
        if (output.empty()) {
            continue;
        }
        if (IsLongerThanLevel(output)) {
            level = kUnknownMarker;
            if (pass >= kFirstSearchPass) {
                if (std::optional<std::string> path = findCapacityFile()) {
                    command = std::string(kAdbPath) + " shell cat " + *path;
                }
            }
            continue;
        }
        if (IsBatteryLevel(output)) {
            level = output;
            return true;
        }
    }
    return false;
}
