// Where the program is put together: the collaborators that one subsystem's jobs need from
// another are handed over here, once, at start-up, and the background work is stopped here at
// exit. The program, penlow-cli and the tests that run whole jobs call these.
#pragma once

/// Hands the driver job its web service, download queue and installer, the machine reports
/// their adb runners, and the install reports the phone's identity as the device bridge last
/// read it.
void InstallProgramParts();

/// Stops the driver job, the machine reports, the update check and the background login, and
/// joins their threads: once this returns no such thread runs. UI thread at exit.
void StopProgramWork();
