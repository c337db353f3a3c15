// Program exit with work in flight: every thread ends, the process exits 0, and (in the
// sanitizer builds) nothing touches freed memory or races on the way out.
#include "ExitWork.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using namespace std::chrono_literals;

TEST(ExitWithWork, DownloadsMonitorReportAndDriverJobInFlightEndCleanly) {
    testsupport::ExitWork work;
    ASSERT_TRUE(work.ready());
    std::optional<testsupport::ExitRun> run = work.run(false, 300ms);
    ASSERT_TRUE(run.has_value());
    EXPECT_TRUE(WIFEXITED(run->status) && WEXITSTATUS(run->status) == 0) << run->output;
    EXPECT_NE(run->output.find("exit sequence"), std::string::npos) << run->output;
}

TEST(ExitWithWork, AnIdleProgramEndsCleanly) {
    testsupport::ExitWork work;
    ASSERT_TRUE(work.ready());
    std::optional<testsupport::ExitRun> run = work.run(true, 0ms);
    ASSERT_TRUE(run.has_value());
    EXPECT_TRUE(WIFEXITED(run->status) && WEXITSTATUS(run->status) == 0) << run->output;
}
