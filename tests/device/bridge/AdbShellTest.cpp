// The adb shell helpers against a recording stand-in for bin/Korvash/adb in a temp program
// folder: it records its arguments and the bytes written to its stdin.
#include "device/bridge/AdbCommands.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/config/AppPaths.h"

#include "TempDir.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using testsupport::ReadFile;
using testsupport::ScopedCwd;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class AdbShell : public ::testing::Test {
protected:
    void SetUp() override {
        // Arguments one per line to args.log (appended), stdin to stdin.log, a canned answer.
        WriteFile(m_dir.file("bin/Korvash/adb"),
                  "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> args.log; done\n"
                  "echo '--' >> args.log\n"
                  "if [ \"$1\" = shell ] && [ $# -eq 1 ]; then cat > stdin.log; fi\n"
                  "echo answer\n",
                  true);
        m_cwd = std::make_unique<ScopedCwd>(m_dir.path());
    }
    std::string args() const { return ReadFile(m_dir.file("args.log")); }
    TempDir m_dir;
    std::unique_ptr<ScopedCwd> m_cwd;
};

} // namespace

TEST_F(AdbShell, PlainShellQuotesTheCommand) {
    EXPECT_EQ(RunAdbShell("getprop ro.product.model", false, 10), "answer\n");
    EXPECT_EQ(args(), "shell\ngetprop ro.product.model\n--\n");
}

TEST_F(AdbShell, SuSessionWritesTheExactStdinBytes) {
    EXPECT_EQ(RunAdbShell("mkdir /data/abdddgdgdgdg", true, 5), "answer\n");
    EXPECT_EQ(args(), "shell\n--\n");
    EXPECT_EQ(ReadFile(m_dir.file("stdin.log")), "su\nmkdir /data/abdddgdgdgdg\nexit\nexit\n");
}

TEST_F(AdbShell, SuCommandIsCutTo179Characters) {
    std::string longCommand(300, 'c');
    (void)RunAdbSuShell(longCommand, 5);
    EXPECT_EQ(ReadFile(m_dir.file("stdin.log")), "su\n" + std::string(179, 'c') + "\nexit\nexit\n");
}

TEST_F(AdbShell, SerialCommandAndClosingQuote) {
    std::string line = AdbSerialCommand("0123 ABC") + " install -r \"" + m_dir.file("a b.apk");
    AppendClosingQuote(line);
    EXPECT_EQ(RunCapture(line), "answer\n");
    EXPECT_EQ(args(), "-s\n0123\nABC\ninstall\n-r\n" + m_dir.file("a b.apk") + "\n--\n");
}

TEST_F(AdbShell, RestartRunsKillStartAndListing) {
    RestartAdbServer();
    EXPECT_EQ(args(), "kill-server\n--\nstart-server\n--\ndevices\n--\n");
}

TEST_F(AdbShell, MissingAdbGivesEmptyAnswers) {
    TempDir empty;
    ScopedCwd cwd(empty.path());
    EXPECT_EQ(RunAdbShell("getprop", false, 5), "");
    EXPECT_EQ(RunAdbSuShell("getprop", 5), "");
    EXPECT_EQ(RunCapture(kAdbDevices), "fail");
}

// The busybox and screenshot paths are built from the program folder as it is when asked, so a
// folder given after the first use (penlow-cli's --program-folder, a test's own) is followed.
TEST_F(AdbShell, ProgramFolderFollowsALaterOverride) {
    std::string before;
    const bool hadFolder = GetModuleFolder(before);
    OverrideModuleFolder(m_dir.path());
    EXPECT_EQ(NarrowProgramFolder(), m_dir.path() + "/");
    OverrideModuleFolder(m_dir.file("other/"));
    EXPECT_EQ(NarrowProgramFolder(), m_dir.file("other") + "/");
    OverrideModuleFolder(hadFolder ? before : std::string("/"));
}
