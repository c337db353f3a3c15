// The extra facts a "wizard finished" machine report (kind 3) carries about the phone in
// adb: the device listing up to the online phone's serial, the service's machine id of the
// phone model, and whether the phone is rooted. The adb commands run through runners the
// program hands in (the device bridge's process runner), so this library does not depend
// on the bridge.
#pragma once

#include <functional>
#include <string>

namespace webservices {

struct MachineLogRecord;

/// The process runners the probe needs, with the device bridge's contracts: RunCaptureTimed,
/// RunAdbShell and RunAdbSuShell (limits in whole seconds; empty text on time-out).
struct AdbRunners {
    std::function<std::string(const std::string& commandLine, int limitSeconds)> runCaptureTimed;
    std::function<std::string(const std::string& command, bool viaSu, int limitSeconds)>
        runAdbShell;
    std::function<std::string(const std::string& command, int limitSeconds)> runAdbSuShell;

    bool complete() const { return runCaptureTimed && runAdbShell && runAdbSuShell; }
};

/// Fills SNCode, MachineID and IsRoot of a kind-3 `record` (VID and PID already set): when
/// the listing names an online phone, SNCode = the listing before its first "\tdevice"
/// (unless an offline phone comes before it, in which case SNCode and MachineID stay), the
/// model and device are read and GetMachineInfo asked; then the root probe runs. Without an
/// online phone nothing changes.
void AddConnectedPhoneFacts(MachineLogRecord& record, const AdbRunners& runners);

/// The root probe on the phone: mkdir of a probe folder without su, then through su when
/// the phone answered "Permission denied". True when the phone allowed it.
bool ProbeRoot(const AdbRunners& runners);

} // namespace webservices
