// What the non-UI jobs are given where the program is put together: how the reports look at the
// phone, and the stop of the subsystems' background work at exit. The program, penlow-cli and
// the tests that run whole jobs use these.
#pragma once

#include "webservices/ConnectedPhoneProbe.h"
#include "webservices/InstallLog.h"

/// How the machine reports look at the phone: the device bridge's process runners.
webservices::AdbRunners ProgramAdbRunners();

/// The phone an install report names, as the device bridge's last queries cached it (non-forced
/// reads only look at the caches).
webservices::InstallPhoneValues CachedPhoneValues();

/// Stops the machine reports, the update check and the background login, and joins their
/// threads: once this returns no such thread runs. UI thread at exit. (The driver jobs stop
/// with their owner, ProgramServices.)
void StopProgramWork();
