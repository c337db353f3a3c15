// Where the program is put together: the collaborators that one subsystem's jobs need from
// another are handed over here, once, at start-up, and the background work is stopped here at
// exit. The program, penlow-cli and the tests that run whole jobs call these.
#pragma once

#include "webservices/ConnectedPhoneProbe.h"
#include "webservices/InstallLog.h"

/// Hands the driver job its web service, download queue and installer.
void InstallProgramParts();

/// How the machine reports look at the phone: the device bridge's process runners.
webservices::AdbRunners ProgramAdbRunners();

/// The phone an install report names, as the device bridge's last queries cached it (non-forced
/// reads only look at the caches).
webservices::InstallPhoneValues CachedPhoneValues();

/// Stops the driver job, the machine reports, the update check and the background login, and
/// joins their threads: once this returns no such thread runs. UI thread at exit.
void StopProgramWork();
