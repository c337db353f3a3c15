// The web-service work that runs beside the program rather than for a window: machine reports,
// the update check and the background login. Each kind runs on threads of its own group, which
// owns and joins them; a stop ends their socket conversations and adb runs at once.
#pragma once

#include "platform/ThreadGroup.h"

namespace webservices {

/// The report threads of ReportMachineEvent.
platform::ThreadGroup& MachineEventThreads();
/// The thread of StartupUpdateCheck.
platform::ThreadGroup& UpdateCheckThreads();
/// The thread of StartBackgroundLogin.
platform::ThreadGroup& LoginThreads();

/// Runs BackgroundLogin on a thread of LoginThreads; the caller does not wait for it. False
/// when no thread could be had.
bool StartBackgroundLogin();

/// Stops every report, update check and background login under way and joins their threads
/// (program exit). Any thread but theirs.
void StopBackgroundWork();

} // namespace webservices
