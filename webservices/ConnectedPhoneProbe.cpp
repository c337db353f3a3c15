// The kind-3 facts of a machine report.
#include "ConnectedPhoneProbe.h"

#include "HttpText.h"
#include "MachineLog.h"
#include "SoapCalls.h"

namespace webservices {

namespace {

constexpr int kLimitSeconds = 10;
constexpr const char* kProbeMkdir = "mkdir /data/abdddgdgdgdg";
constexpr const char* kProbeRmdir = "rmdir /data/abdddgdgdgdg";

std::string WithoutLineBreaks(std::string text) {
    std::erase(text, '\r');
    std::erase(text, '\n');
    return text;
}

// "File exists" after the first character: the probe folder is left from an earlier probe;
// removing it answers the same question.
std::string RemoveWhenLeftOver(const AdbRunners& runners, std::string output) {
    const std::size_t at = output.find("File exists");
    if (at != std::string::npos && at > 0) {
        return runners.runAdbShell(kProbeRmdir, false, kLimitSeconds);
    }
    return output;
}

} // namespace

bool ProbeRoot(const AdbRunners& runners) {
    std::string output =
        RemoveWhenLeftOver(runners, runners.runAdbShell(kProbeMkdir, false, kLimitSeconds));
    if (!Contains(output, "Permission denied")) {
        return true;
    }
    output = RemoveWhenLeftOver(runners, runners.runAdbSuShell(kProbeMkdir, kLimitSeconds));
    return !Contains(output, "Permission denied");
}

void AddConnectedPhoneFacts(MachineLogRecord& record, const AdbRunners& runners) {
    if (!runners.complete()) {
        return;
    }
    const std::string listing = runners.runCaptureTimed("bin\\Korvash\\adb devices", kLimitSeconds);
    const std::size_t online = listing.find("\tdevice");
    if (online == std::string::npos) {
        return;
    }
    const std::string before = listing.substr(0, online);
    if (!Contains(before, "\toffline")) {
        record.snCode = before;
        const std::string model = WithoutLineBreaks(runners.runCaptureTimed(
            "bin\\Korvash\\adb shell getprop ro.product.model", kLimitSeconds));
        const std::string device = WithoutLineBreaks(runners.runCaptureTimed(
            "bin\\Korvash\\adb shell getprop ro.product.device", kLimitSeconds));
        MachineInfo info;
        if (GetMachineInfo(record.vid, record.pid, model, device, info)) {
            record.machineId = info.machineId;
        }
    }
    record.isRoot = ProbeRoot(runners);
}

} // namespace webservices
