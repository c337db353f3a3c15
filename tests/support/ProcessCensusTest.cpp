// The census the long-running tests bound their threads, descriptors and children with: the
// stat line parse (command names with spaces and parentheses, cut-off lines) and the counts
// following what the process really starts, opens and leaves unreaped.
#include "ProcessCensus.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct StatLineCase {
    const char* line;
    int parent;
};

class ParentPidOfStatLine : public testing::TestWithParam<StatLineCase> {};

TEST_P(ParentPidOfStatLine, ReadsTheFieldAfterTheCommandName) {
    EXPECT_EQ(testsupport::ParentPidOfStatLine(GetParam().line), GetParam().parent);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParentPidOfStatLine,
    testing::Values(StatLineCase{"1234 (adb) S 99 1234 1234 0 -1 4194560", 99},
                    StatLineCase{"5 (my (odd) name) R 42 5 5 0", 42},
                    StatLineCase{"7 (a) b) Z 13 7 7", 13}, StatLineCase{"8 (with space) S 1", 1},
                    StatLineCase{"", -1}, StatLineCase{"12 (never closed S 3 4", -1},
                    StatLineCase{"12 (x) S", -1}, StatLineCase{"12 (x) S abc 4", -1},
                    StatLineCase{"12 (x) S -", -1}));

TEST(ProcessCensus, CountsAThreadAndADescriptorWhileTheyExist) {
    const testsupport::ProcessCensus before = testsupport::TakeProcessCensus();
    ASSERT_GT(before.threads, 0);
    ASSERT_GE(before.fds, 3); // the standard streams at least
    std::mutex lock;
    std::condition_variable released;
    bool done = false;
    std::thread thread([&] {
        std::unique_lock guard(lock);
        released.wait(guard, [&] { return done; });
    });
    const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const testsupport::ProcessCensus during = testsupport::TakeProcessCensus();
    EXPECT_EQ(during.threads, before.threads + 1);
    EXPECT_EQ(during.fds, before.fds + 1);
    {
        std::lock_guard guard(lock);
        done = true;
    }
    released.notify_one();
    thread.join();
    close(fd);
    const testsupport::ProcessCensus after = testsupport::TakeProcessCensus();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.fds, before.fds);
}

TEST(ProcessCensus, ChildStaysCountedUntilReaped) {
    const int before = testsupport::TakeProcessCensus().children;
    ASSERT_GE(before, 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        _exit(0);
    }
    // Ended but not reaped: still a child of this process.
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(testsupport::TakeProcessCensus().children, before + 1);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_EQ(testsupport::TakeProcessCensus().children, before);
}

TEST(ProcessCensus, DescriptionNamesTheChildrenAndTheOpenFiles) {
    const int fd = open("/dev/zero", O_RDONLY);
    ASSERT_GE(fd, 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The child shows with its command line once it has replaced the fork's copy.
    std::string description;
    for (int i = 0; i < 200; ++i) {
        description = testsupport::DescribeProcess();
        if (description.find("sleep 30") != std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(description.find("[" + std::to_string(child) + " sleep 30"), std::string::npos)
        << description;
    EXPECT_NE(description.find("/dev/zero"), std::string::npos) << description;
    EXPECT_NE(description.find("threads:"), std::string::npos);
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    close(fd);
    EXPECT_EQ(testsupport::DescribeProcess().find("sleep 30"), std::string::npos);
}

} // namespace
