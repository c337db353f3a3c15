#include "QueryPhoneInfo.h"

#include "GetpropParser.h"
#include "OutputText.h"
#include "ProcessRunner.h"

#include <string>

namespace {

constexpr int kPropertyPasses = 3;
constexpr int kGetpropLimitSeconds = 5;
constexpr int kProbeLimitSeconds = 5;
constexpr const char* kSuGetprop = "bin\\Korvash\\adb shell su -c \"getprop\"";
constexpr const char* kPlainGetprop = "bin\\Korvash\\adb shell \"getprop\"";
constexpr const char* kProbeMkdir = "mkdir /data/abdddgdgdgdg";
constexpr const char* kProbeRmdir = "rmdir /data/abdddgdgdgdg";

enum class PassResult { Again, ProbeRoot, ProtocolFault };

PassResult runPass(PhoneInfo& info) {
    std::string output = RunCaptureTimed(kSuGetprop, kGetpropLimitSeconds);
    if (output.empty() || Contains(output, "su:")) {
        output = RunCaptureTimed(kPlainGetprop, kGetpropLimitSeconds);
    } else if (Contains(output, "error: protocol fault")) {
        return PassResult::ProtocolFault;
    }
    if (!output.empty()) {
        ReadGetpropFields(output, info);
    }
    // No output at all leaves the fields empty, which also sends us on to the probe.
    bool known = info.model != kUnknownMarker || info.release != kUnknownMarker ||
                 info.bootloader != kUnknownMarker;
    return known ? PassResult::ProbeRoot : PassResult::Again;
}

// mkdir (then rmdir when an earlier probe left the folder behind) in one kind of shell.
std::string probeIn(bool viaSu) {
    std::string output = RunAdbShell(kProbeMkdir, viaSu, kProbeLimitSeconds);
    std::size_t exists = output.find("File exists");
    if (exists != std::string::npos && exists > 0) {
        output = RunAdbShell(kProbeRmdir, viaSu, kProbeLimitSeconds);
    }
    return output;
}

} // namespace

std::string ProbeRoot() {
    if (!Contains(probeIn(false), "Permission denied")) {
        return "true";
    }
    return Contains(probeIn(true), "Permission denied") ? "false" : "true";
}

bool QueryPhoneInfo(PhoneInfo& info) {
    info = PhoneInfo{};
    for (int pass = 0; pass < kPropertyPasses; ++pass) {
        switch (runPass(info)) {
        case PassResult::ProtocolFault:
            MarkPropertiesUnknown(info);
            return IdentityUnknown(info);
        case PassResult::ProbeRoot:
            info.root = ProbeRoot();
            return true;
        case PassResult::Again:
            break;
        }
    }
    return IdentityUnknown(info);
}
