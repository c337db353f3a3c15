// The start-up sequence of the real executable: single instance per executable name and the
// login mode read from data/Config.ini. Each test runs a copy of the program in its own folder.
#include "platform/ChildProcess.h"
#include "platform/SingleInstanceLock.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;
};

// Copies the built program into `folder` under `name` and runs it there (offscreen, message
// boxes dismissed at once).
RunResult runProgramCopy(const std::string& folder, const std::string& name) {
    std::string built = std::string(std::getenv("PENLOW_PROGRAM_DIR")) + "/Penlow";
    std::string copy = folder + "/" + name;
    std::filesystem::copy_file(built, copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms(0755));
    setenv("PENLOW_DISMISS_MESSAGES_FOR_TESTING", "1", 1);
    platform::ChildProcess child;
    RunResult result;
    if (!child.start({"/bin/sh", "-c", "cd '" + folder + "' && exec ./" + name}, true)) {
        return result;
    }
    char buffer[4096];
    long n;
    while ((n = child.readSome(buffer, sizeof buffer, std::nullopt)) > 0) {
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    int status = child.wait();
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

TEST(Startup, SecondInstanceOfTheSameNameLeavesWithTheMessage) {
    TempDir dir;
    std::string name = "PenlowSingle" + std::to_string(::getpid());
    platform::SingleInstanceLock firstInstance;
    ASSERT_TRUE(firstInstance.tryAcquire(name));
    RunResult second = runProgramCopy(dir.path(), name);
    EXPECT_NE(second.output.find("软件已经在运行,可能没有被正常关闭!"), std::string::npos)
        << second.output;
    EXPECT_EQ(second.output.find("login mode"), std::string::npos);

    // A copy under another file name has its own lock and runs through start-up.
    RunResult other = runProgramCopy(dir.path(), name + "Copy");
    EXPECT_EQ(other.exitCode, 0);
    EXPECT_EQ(other.output.find("软件已经在运行"), std::string::npos) << other.output;
    EXPECT_NE(other.output.find("CKivOrviaApp: exit"), std::string::npos) << other.output;
}

TEST(Startup, OnlyTheExactDisuserValueSkipsTheLoginDialog) {
    struct Case {
        const char* value;
        bool skips;
    };
    for (Case c : {Case{"disuser", true}, Case{"Disuser", false}, Case{"disuser ", true},
                   Case{"\"disuser \"", false}, Case{"disuserx", false}, Case{nullptr, false}}) {
        TempDir dir;
        std::string ini = c.value ? std::string("[Application]\ndisuser=") + c.value + "\n"
                                  : std::string("[Application]\nappname=x\n");
        WriteFile(dir.file("data/Config.ini"), ini);
        RunResult run = runProgramCopy(dir.path(), "PenlowLogin" + std::to_string(::getpid()));
        const char* expected =
            c.skips ? "login mode: background login" : "login mode: login dialog";
        EXPECT_NE(run.output.find(expected), std::string::npos)
            << (c.value ? c.value : "(missing)") << "\n"
            << run.output;
    }
}
