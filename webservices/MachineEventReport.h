// Machine events reported to the web service: program start (kind 0), a phone maker's
// device the service did not confirm (1), a phone on USB (2), the connection wizard
// finished (3) or failed (4). Fire-and-forget: each event runs on a short-lived
// thread, and an event of kinds 1 to 4 is sent at most once per device and kind per run.
#pragma once

#include "ConnectedPhoneProbe.h"

#include <chrono>
#include <string>

namespace webservices {

enum MachineEventKind : int {
    kEventProgramStart = 0,
    kEventUnconfirmedDevice = 1,
    kEventPhoneArrived = 2,
    kEventWizardFinished = 3,
    kEventWizardFailed = 4,
};

/// Reports an event of `kind` (0 to 4; others are ignored) for the USB pair `vid`/`pid`
/// (empty for kind 0). Gathers the machine GUID, first adapter and system text on the
/// caller's thread, then returns; the report, with the kind-3 phone facts, is sent from a
/// thread of MachineEventThreads (BackgroundWork.h). `phone` is how a kind-3 report looks at
/// the phone in adb; an incomplete set sends it as without a phone. Safe from any thread.
void ReportMachineEvent(const std::string& vid, const std::string& pid, int kind,
                        const AdbRunners& phone);

/// The same report sent on the caller's thread (tools): true when it was due and the service
/// answered "200 OK".
bool SendMachineEvent(const std::string& vid, const std::string& pid, int kind,
                      const AdbRunners& phone);

/// True when `vid` + `pid` was not yet reported for `kind` in this run, and marks it so.
/// Kind 0 is always due. Thread-safe.
bool MarkMachineEventDue(const std::string& vid, const std::string& pid, int kind);

/// Waits until every report thread started so far has ended, or `timeout` passed. True
/// when none is left. For tools and tests; the program itself never waits for reports.
bool WaitForMachineEvents(std::chrono::milliseconds timeout);

/// Forgets which devices were reported, as a new run would.
void ResetReportedDevicesForTesting();

} // namespace webservices
