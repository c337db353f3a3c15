#include "ProcessRunner.h"

#include "AdbCommands.h"
#include "AdbHostClient.h"
#include "FollowedPhone.h"
#include "ListeningSockets.h"
#include "OutputCollector.h"

#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/ProcessTable.h"
#include "platform/Utf8.h"

#include <fstream>
#include <signal.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxShellCommandChars = 179;

std::optional<Clock::time_point> deadlineFor(int limitSeconds) {
    if (limitSeconds <= 0) {
        return std::nullopt;
    }
    return Clock::now() + std::chrono::seconds(limitSeconds);
}

// Collects the child's output within the limit. At the limit the child is left running and a
// detached drainer reads and discards the rest, so nothing of it reaches a later call.
// Starts a child of the runners: adb (and anything else run this way) is pointed at the
// followed phone.
bool startRunnerChild(
    platform::ChildProcess& child, const std::string& commandLine,
    platform::ChildProcess::Stdin stdinMode = platform::ChildProcess::Stdin::Null) {
    const std::string serial = FollowedSerial();
    if (!serial.empty()) {
        child.setEnvironment("ANDROID_SERIAL", serial);
    }
    return child.start(platform::CommandLineToArgv(commandLine), true, stdinMode);
}

// How long a child whose output has ended may take to exit before it is left to a drainer.
constexpr std::chrono::milliseconds kExitGrace{500};

// Only a child that outlives its time limit is left running, to a detached drainer; one whose
// output ended is reaped here.
TimedOutput collectWithin(platform::ChildProcess& child, int limitSeconds) {
    CollectResult result = CollectOutput(child, deadlineFor(limitSeconds));
    if (result.timedOut) {
        child.abandon();
        return {};
    }
    child.release(kExitGrace);
    return {std::move(result.text), true};
}

TimedOutput suShellWithin(const std::string& command, int limitSeconds) {
    platform::ChildProcess child;
    std::string line = std::string(kAdbPath) + " shell";
    if (!startRunnerChild(child, line, platform::ChildProcess::Stdin::Pipe)) {
        return {};
    }
    std::string session =
        "su\n" + platform::Utf8Prefix(command, kMaxShellCommandChars) + "\nexit\n" + "exit\n";
    // A shell that ends before reading everything is not an error: its output tells. The
    // end of input after "exit" lets a session end even where su swallowed a line.
    (void)child.writeStdin(session);
    child.closeStdin();
    return collectWithin(child, limitSeconds);
}

} // namespace

std::string RunCapture(const std::string& commandLine) {
    platform::ChildProcess child;
    if (!startRunnerChild(child, commandLine)) {
        return "fail";
    }
    CollectResult result = CollectOutput(child, std::nullopt);
    child.release(kExitGrace);
    return std::move(result.text);
}

TimedOutput RunCaptureWithin(const std::string& commandLine, int limitSeconds) {
    platform::ChildProcess child;
    if (!startRunnerChild(child, commandLine)) {
        return {};
    }
    return collectWithin(child, limitSeconds);
}

std::string RunCaptureTimed(const std::string& commandLine, int limitSeconds) {
    return RunCaptureWithin(commandLine, limitSeconds).text;
}

TimedOutput RunAdbShellWithin(const std::string& command, bool viaSu, int limitSeconds) {
    if (viaSu) {
        return suShellWithin(command, limitSeconds);
    }
    return RunCaptureWithin(std::string(kAdbPath) + " shell \"" + command + "\"", limitSeconds);
}

std::string RunAdbShell(const std::string& command, bool viaSu, int limitSeconds) {
    return RunAdbShellWithin(command, viaSu, limitSeconds).text;
}

std::string RunAdbSuShell(const std::string& command, int limitSeconds) {
    return suShellWithin(command, limitSeconds).text;
}

void KillProcessesByName(const std::string& name) {
    platform::KillProcessesNamed(name);
}

bool ShellExecuteAndWait(const std::string& file, const std::string& parameters, bool show) {
    (void)show; // no hidden-window start on this platform: the program decides its own UI
    std::vector<std::string> argv{file};
    for (std::string& arg : platform::SplitCommandLine(parameters)) {
        argv.push_back(std::move(arg));
    }
    platform::ChildProcess child;
    if (!child.start(argv, false)) {
        return false;
    }
    child.wait();
    return true;
}

void RestartAdbServer() {
    (void)RunCapture(kAdbKillServer);
    (void)RunCapture(kAdbStartServer);
    std::string listing = RunCaptureTimed(kAdbDevices, 5);
    if (listing.find("* failed") != std::string::npos) {
        StopAdbServer();
    }
}

namespace {

// This user's processes named like adb that listen on `port`.
std::vector<pid_t> adbServersOn(int port) {
    std::vector<pid_t> servers;
    const std::string name = AdbProcessName();
    for (pid_t pid : ProcessesListeningOn(port, ::getuid())) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
        std::string comm;
        if (std::getline(in, comm) && comm == name) {
            servers.push_back(pid);
        }
    }
    return servers;
}

} // namespace

void StopAdbServer() {
    const std::optional<std::uint16_t> port = AdbServerPort();
    if (!port || adbServersOn(*port).empty()) {
        return;
    }
    (void)RunCaptureTimed(kAdbKillServer, 5);
    for (int i = 0; i < 20; ++i) {
        if (adbServersOn(*port).empty()) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (pid_t pid : adbServersOn(*port)) {
        ::kill(pid, SIGKILL);
    }
}
