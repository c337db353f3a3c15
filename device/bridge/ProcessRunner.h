// Starting child processes (adb above all) and collecting what they print.
//
// Output is stdout and stderr merged, kept as bytes (NUL bytes included), at most 40,959
// bytes: it is collected in chunks of up to 4,095 bytes and the chunk that would bring the
// total to 40,960 or more is dropped with everything after it. The runners keep no state and
// may be called from any number of threads at once. Every child they start gets
// ANDROID_SERIAL set to the followed phone's serial when there is one (FollowedPhone.h).
#pragma once

#include <string>

inline constexpr std::size_t kCaptureChunkBytes = 4095;
inline constexpr std::size_t kCaptureLimitBytes = 40960;

/// Runs `commandLine` (Windows C runtime quoting, program path relative to the working
/// directory) to its end. "fail" when the process cannot be started.
std::string RunCapture(const std::string& commandLine);

/// As RunCapture with a limit in whole seconds (0 or less: none). Returns the empty text when
/// the limit passes first or the process cannot be started; a child still running at the
/// limit is left running and its further output is discarded.
std::string RunCaptureTimed(const std::string& commandLine, int limitSeconds);

/// What a time-limited run gave: its output, and whether it ended within the limit (false
/// also when the process could not be started). An empty text that finished is an answer;
/// one that did not is none.
struct TimedOutput {
    std::string text;
    bool finished = false;
};

/// RunCaptureTimed that tells a run that ended from one that ran out of time.
TimedOutput RunCaptureWithin(const std::string& commandLine, int limitSeconds);

/// Runs `command` on the phone: `bin\Korvash\adb shell "<command>"`, or through su when
/// `viaSu` (see RunAdbSuShell).
std::string RunAdbShell(const std::string& command, bool viaSu, int limitSeconds);

/// RunAdbShell that tells a run that ended from one that ran out of time.
TimedOutput RunAdbShellWithin(const std::string& command, bool viaSu, int limitSeconds);

/// Runs `bin\Korvash\adb shell` and writes "su\n" + command + "\nexit\n" + "exit\n" to its
/// stdin in one write. The command is cut to 179 characters.
std::string RunAdbSuShell(const std::string& command, int limitSeconds);

/// Ends every process whose executable name equals `name` exactly ("adb").
void KillProcessesByName(const std::string& name);

/// Starts `file` with `parameters` (split with the Windows C runtime rules) and waits without
/// limit for it to end. False when it cannot be started. `show` is kept for callers; the
/// platform has no hidden-window start.
bool ShellExecuteAndWait(const std::string& file, const std::string& parameters, bool show);

/// kill-server, start-server, `adb devices` (5 s); stops the adb server (StopAdbServer) when
/// the listing reports "* failed".
void RestartAdbServer();

/// Stops the adb server this program uses, and nothing else: the process of this user named
/// AdbProcessName() that listens on the program's adb port (ANDROID_ADB_SERVER_PORT, else
/// 5037). It is asked first (`adb kill-server`); still listening a moment later, it is killed.
/// Nothing when no such process listens there (no server, another user's, or a program that
/// is not adb). adb servers of other tools on other ports are left alone.
void StopAdbServer();
