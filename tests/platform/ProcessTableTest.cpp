#include "platform/ChildProcess.h"
#include "platform/ProcessTable.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

namespace {

// Copies /bin/sleep under a name no other process on the machine has.
std::string uniqueSleeper(const testsupport::TempDir& dir, const std::string& name) {
    std::string path = dir.file(name);
    std::filesystem::copy_file("/bin/sleep", path);
    std::filesystem::permissions(path, std::filesystem::perms(0755));
    return path;
}

// The kernel names a new process a moment after posix_spawn has returned to the parent.
std::vector<pid_t> waitForName(const std::string& name) {
    for (int i = 0; i < 100; ++i) {
        auto found = platform::FindProcessesByName(name);
        if (!found.empty()) {
            return found;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

} // namespace

TEST(ProcessTable, KillsExactNameOnlyAndLeavesOtherCaseAlone) {
    testsupport::TempDir dir;
    std::string name = "plwk" + std::to_string(::getpid());
    std::string upper = "PLWK" + std::to_string(::getpid());
    platform::ChildProcess target;
    platform::ChildProcess otherCase;
    ASSERT_TRUE(target.start({uniqueSleeper(dir, name), "30"}, false));
    ASSERT_TRUE(otherCase.start({uniqueSleeper(dir, upper), "30"}, false));

    auto found = waitForName(name);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(waitForName(upper).size(), 1u);
    EXPECT_EQ(found[0], target.pid());

    platform::KillProcessesNamed(name);
    int status = target.wait();
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(platform::FindProcessesByName(name).empty());
    EXPECT_FALSE(otherCase.hasExited());
    ::kill(otherCase.pid(), SIGKILL);
    otherCase.wait();
}

TEST(ProcessTable, LongNamesMatchOnTheFullExecutableName) {
    testsupport::TempDir dir;
    std::string name = "penlow-long-name-" + std::to_string(::getpid());
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({uniqueSleeper(dir, name), "30"}, false));
    EXPECT_EQ(waitForName(name).size(), 1u);
    EXPECT_TRUE(platform::FindProcessesByName(name + "x").empty());
    ::kill(child.pid(), SIGKILL);
    child.wait();
}

TEST(ChildProcess, MissingProgramDoesNotStart) {
    platform::ChildProcess child;
    EXPECT_FALSE(child.start({"/nonexistent/program"}, true));
    EXPECT_FALSE(child.start({"no-such-program-on-path-xyz"}, true));
    EXPECT_FALSE(child.start({}, true));
}
