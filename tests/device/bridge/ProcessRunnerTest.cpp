// The runners against real child processes.
#include "device/bridge/FollowedPhone.h"
#include "device/bridge/ProcessRunner.h"

#include "TempDir.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <thread>

#include <signal.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using Clock = std::chrono::steady_clock;

namespace {

// A script whose output is exactly `bytes` bytes of 'x' (written in one go by head).
std::string printer(const TempDir& dir, std::size_t bytes) {
    std::string path = dir.file("print" + std::to_string(bytes) + ".sh");
    WriteFile(path, "#!/bin/sh\nhead -c " + std::to_string(bytes) + " /dev/zero | tr '\\0' x\n",
              true);
    return path;
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

pid_t readPid(const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        std::string text = ReadFile(path);
        pid_t pid = 0;
        if (std::from_chars(text.data(), text.data() + text.size(), pid).ec == std::errc() &&
            pid > 0) {
            return pid;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

} // namespace

TEST(RunCapture, EmptyOutputAndStartFailure) {
    EXPECT_EQ(RunCapture("/bin/true"), "");
    EXPECT_EQ(RunCaptureTimed("/bin/true", 5), "");
    EXPECT_EQ(RunCapture("/no/such/program arg"), "fail");
    EXPECT_EQ(RunCaptureTimed("/no/such/program arg", 5), "");
}

TEST(RunCapture, MergesStderrAndKeepsBytesAfterNul) {
    TempDir dir;
    std::string script = dir.file("both.sh");
    WriteFile(script, "#!/bin/sh\nprintf 'out\\n'\nprintf 'a\\000b' 1>&2\n", true);
    std::string expected = std::string("out\na\0b", 7);
    EXPECT_EQ(RunCapture(script), expected);
    EXPECT_EQ(RunCaptureTimed(script, 5), expected);
}

// A child that prints and exits at once must never lose its output.
TEST(RunCapture, QuickChildrenLoseNothing) {
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(RunCapture("/bin/echo hello world"), "hello world\n");
        ASSERT_EQ(RunCaptureTimed("/bin/echo hello world", 3), "hello world\n");
    }
}

TEST(RunCapture, OutputIsCutBelow40960AtAChunkBoundary) {
    TempDir dir;
    for (std::size_t size : {40959u, 40960u, 100000u}) {
        std::string out = RunCapture(printer(dir, size));
        EXPECT_LT(out.size(), kCaptureLimitBytes) << size;
        EXPECT_EQ(out, std::string(out.size(), 'x'));
        if (size == 40959u) {
            EXPECT_EQ(out.size(), 40959u);
        } else {
            // Everything up to the dropped chunk is kept: at most one chunk is missing.
            EXPECT_GE(out.size(), kCaptureLimitBytes - kCaptureChunkBytes) << size;
        }
        std::string timed = RunCaptureTimed(printer(dir, size), 10);
        EXPECT_LT(timed.size(), kCaptureLimitBytes);
    }
}

TEST(RunCaptureTimed, ChildThatNeverEndsIsAbandonedAtTheLimit) {
    TempDir dir;
    std::string pidFile = dir.file("pid");
    std::string script = dir.file("hang.sh");
    WriteFile(script, "#!/bin/sh\necho $$ > " + pidFile + "\necho started\nexec sleep 60\n", true);
    auto begin = Clock::now();
    std::string out = RunCaptureTimed(script, 2);
    auto elapsed = Clock::now() - begin;
    EXPECT_EQ(out, "");
    EXPECT_GE(elapsed, std::chrono::milliseconds(1950));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2600));
    pid_t pid = readPid(pidFile);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(processAlive(pid));
    ::kill(pid, SIGKILL); // the test's own child
    // The abandoned call does not disturb the next one.
    EXPECT_EQ(RunCaptureTimed("/bin/echo next", 2), "next\n");
}

TEST(RunCaptureTimed, ZeroLimitWaitsForTheEnd) {
    EXPECT_EQ(RunCaptureTimed("/bin/sh -c \"sleep 1.2; echo done\"", 0), "done\n");
    EXPECT_EQ(RunCaptureTimed("/bin/sh -c \"sleep 1.2; echo done\"", -1), "done\n");
}

// A daemon started by the child that keeps the output pipe open must not hold the caller.
TEST(RunCapture, DaemonHoldingThePipeDoesNotBlock) {
    auto begin = Clock::now();
    std::string out = RunCapture("/bin/sh -c \"(sleep 5 &) ; echo parent\"");
    EXPECT_EQ(out, "parent\n");
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(3));
}

TEST(ShellExecuteAndWait, WaitsForTheProgramAndReportsStartFailure) {
    TempDir dir;
    std::string marker = dir.file("ran");
    std::string script = dir.file("start.sh");
    WriteFile(script, "#!/bin/sh\nsleep 0.3\necho \"$@\" > " + marker + "\n", true);
    EXPECT_TRUE(ShellExecuteAndWait(script, R"(/u "a b/c.inf" /sw)", true));
    EXPECT_EQ(ReadFile(marker), "/u a b/c.inf /sw\n");
    EXPECT_FALSE(ShellExecuteAndWait(dir.file("missing.exe"), "", false));
}

// With several phones attached, every child of the runners names the followed phone through
// ANDROID_SERIAL (in place of one the program's own environment may hold); with none followed
// the environment is passed on as it is.
TEST(FollowedPhone, ChildrenOfTheRunnersNameTheFollowedPhone) {
    testsupport::ScopedEnv inherited("ANDROID_SERIAL", "INHERITED");
    const auto serialLines = [](const std::string& output) {
        std::vector<std::string> lines;
        for (std::size_t at = output.find("ANDROID_SERIAL="); at != std::string::npos;
             at = output.find("ANDROID_SERIAL=", at + 1)) {
            lines.push_back(output.substr(at, output.find('\n', at) - at));
        }
        return lines;
    };
    SetFollowedSerial("PHONE-2");
    EXPECT_EQ(serialLines(RunCapture("env")), (std::vector<std::string>{"ANDROID_SERIAL=PHONE-2"}));
    EXPECT_EQ(serialLines(RunCaptureTimed("env", 5)),
              (std::vector<std::string>{"ANDROID_SERIAL=PHONE-2"}));
    SetFollowedSerial("");
    EXPECT_EQ(serialLines(RunCapture("env")),
              (std::vector<std::string>{"ANDROID_SERIAL=INHERITED"}));
}
