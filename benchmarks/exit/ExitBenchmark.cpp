// Time from the close request to the process's end with the background work in flight (two
// downloads, the device monitor, a machine report and a driver job lookup on a silent server)
// against the same with nothing in flight, measured in one run. The goal: less than 300 ms
// more than the idle exit. Started by hand or by its target alike: the runs get a home folder of
// their own (downloads, their databases and the machine identity land there).
#include "ExitWork.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int kRounds = 3;

double millis(std::chrono::microseconds value) {
    return static_cast<double>(value.count()) / 1000.0;
}

// The median closing time of kRounds runs, or a negative value when a run failed.
double medianClosing(testsupport::ExitWork& work, bool idle) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        std::optional<testsupport::ExitRun> run = work.run(idle, idle ? 0ms : 300ms);
        if (!run || !WIFEXITED(run->status) || WEXITSTATUS(run->status) != 0) {
            std::fprintf(stderr, "run failed:\n%s\n", run ? run->output.c_str() : "");
            return -1;
        }
        times.push_back(millis(run->closing));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    testsupport::TempDir home;
    std::vector<std::unique_ptr<testsupport::ScopedEnv>> homeEnvironment;
    for (const char* sub : {"", "/.config", "/Documents"}) {
        std::filesystem::create_directories(home.path() + sub);
    }
    for (auto [name, sub] : {std::pair{"HOME", ""}, std::pair{"XDG_CONFIG_HOME", "/.config"},
                             std::pair{"XDG_DOCUMENTS_DIR", "/Documents"}}) {
        homeEnvironment.push_back(
            std::make_unique<testsupport::ScopedEnv>(name, home.path() + sub));
    }
    testsupport::ExitWork work;
    if (!work.ready()) {
        std::fprintf(stderr, "set-up failed\n");
        return 1;
    }
    const double idle = medianClosing(work, true);
    const double busy = medianClosing(work, false);
    if (idle < 0 || busy < 0) {
        return 1;
    }
    std::printf("exit, idle:              %8.1f ms (median of %d)\n", idle, kRounds);
    std::printf("exit, work in flight:    %8.1f ms (median of %d)\n", busy, kRounds);
    std::printf("difference:              %8.1f ms (goal: under 300 ms)\n", busy - idle);
    std::printf("ratio in flight / idle:  %8.2f\n", idle > 0 ? busy / idle : 0.0);
    return 0;
}
