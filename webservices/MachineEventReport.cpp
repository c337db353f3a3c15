// Machine events: once-per-run bookkeeping and the report threads.
#include "MachineEventReport.h"

#include "BackgroundWork.h"
#include "ConnectedPhoneProbe.h"
#include "MachineIdentity.h"
#include "MachineLog.h"

#include <array>
#include <mutex>
#include <set>

namespace webservices {

namespace {

// Process-wide state of the reports. Never destroyed: the report threads are joined only when
// their group is destroyed, which may come after this in static destruction.
struct ReportState {
    std::mutex lock;
    std::array<std::set<std::string>, 5> reported; // per kind; guarded by lock
};

ReportState& State() {
    static ReportState* const state = new ReportState;
    return *state;
}

// The event with the machine's identity, gathered on the caller's thread.
MachineLogRecord BuildEvent(const std::string& vid, const std::string& pid, int kind) {
    MachineLogRecord record;
    record.vid = vid;
    record.pid = pid;
    record.status = kind;
    (void)GetMachineGuid(record.machineGuid);
    if (!GetFirstAdapterAddress(record.machineMac, record.machineIp)) {
        record.machineMac.clear();
        record.machineIp.clear();
    }
    if (!GetWindowsVersionText(record.windowsVersion)) {
        record.windowsVersion.clear();
    }
    return record;
}

bool IsKnownKind(int kind) {
    return kind >= kEventProgramStart && kind <= kEventWizardFailed;
}

// Steps of the report thread: once-per-run check, kind-3 facts, sending.
bool Deliver(MachineLogRecord record, const AdbRunners& runners) {
    if (!MarkMachineEventDue(record.vid, record.pid, record.status)) {
        return false;
    }
    if (record.status == kEventWizardFinished) {
        AddConnectedPhoneFacts(record, runners);
    }
    return SaveVCMachineLog(record);
}

} // namespace

// The key is VID + PID; a set of keys per kind, compared whole, so one device's key can
// never be taken for a match spanning two others.
bool MarkMachineEventDue(const std::string& vid, const std::string& pid, int kind) {
    if (kind == kEventProgramStart) {
        return true;
    }
    if (kind < 0 || kind >= static_cast<int>(State().reported.size())) {
        return false;
    }
    std::lock_guard guard(State().lock);
    return State().reported[static_cast<std::size_t>(kind)].insert(vid + pid).second;
}

bool SendMachineEvent(const std::string& vid, const std::string& pid, int kind,
                      const AdbRunners& phone) {
    return IsKnownKind(kind) && Deliver(BuildEvent(vid, pid, kind), phone);
}

void ReportMachineEvent(const std::string& vid, const std::string& pid, int kind,
                        const AdbRunners& phone) {
    if (!IsKnownKind(kind)) {
        return;
    }
    MachineLogRecord record = BuildEvent(vid, pid, kind);
    AdbRunners runners;
    if (kind == kEventWizardFinished) {
        runners = phone;
    }
    // The result is never acted upon; without a thread the report is lost like a failed one.
    (void)MachineEventThreads().start(
        [record = std::move(record), runners = std::move(runners)](std::stop_token) mutable {
            (void)Deliver(std::move(record), runners);
        });
}

bool WaitForMachineEvents(std::chrono::milliseconds timeout) {
    return MachineEventThreads().waitIdle(timeout);
}

void ResetReportedDevicesForTesting() {
    std::lock_guard guard(State().lock);
    for (auto& keys : State().reported) {
        keys.clear();
    }
}

} // namespace webservices
