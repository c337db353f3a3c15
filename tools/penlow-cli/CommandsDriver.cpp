// penlow-cli command of the driver job: runs one job for a phone and prints every progress code
// as the connection wizard receives it, the last code last.
#include "CliRegistry.h"

#include "app/parts/DriverJobWiring.h"
#include "device/bridge/AdbCommands.h"
#include "device/connection/DriverJobs.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>

namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_interrupted{false};

void onSignal(int) {
    g_interrupted = true;
}

// "<code>", "<code> <percent>" or "<code> <message>", as the wizard gets them.
std::string progressLine(const DriverProgress& progress) {
    const int code = static_cast<int>(progress.code);
    switch (progress.code) {
    case DriverJobCode::Downloading:
    case DriverJobCode::Installing:
        return std::to_string(code) + " " + std::to_string(progress.percent);
    case DriverJobCode::Retryable:
    case DriverJobCode::Failed:
        return std::to_string(code) + " " + progress.message;
    case DriverJobCode::LookingUp:
    case DriverJobCode::Installed:
        break;
    }
    return std::to_string(code);
}

bool isLast(DriverJobCode code) {
    return code == DriverJobCode::Retryable || code == DriverJobCode::Installed ||
           code == DriverJobCode::Failed;
}

struct JobEnd {
    std::mutex lock;
    std::condition_variable ended;
    std::optional<DriverJobCode> last; // guarded by lock
};

int driverJob(const CliArgs& args) {
    const char* usage = "driver-job [--adb-kill-name NAME] VID PID";
    std::size_t first = 0;
    if (args.size() == 4 && args[0] == "--adb-kill-name") {
        SetAdbProcessNameForTesting(args[1]);
        first = 2;
    } else if (args.size() != 2) {
        return CliUsageError(usage);
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    DriverJobs jobs(MakeDriverJobParts());
    JobEnd end;
    const bool started = jobs.start(args[first], args[first + 1],
                                    [&end](const DriverProgress& progress, std::stop_token) {
                                        std::printf("%s\n", progressLine(progress).c_str());
                                        std::fflush(stdout);
                                        if (isLast(progress.code)) {
                                            std::lock_guard guard(end.lock);
                                            end.last = progress.code;
                                            end.ended.notify_all();
                                        }
                                    });
    if (!started) {
        std::fprintf(stderr, "the driver job could not be started\n");
        return 1;
    }
    std::unique_lock guard(end.lock);
    while (!end.last && !g_interrupted) {
        end.ended.wait_for(guard, 100ms);
    }
    const std::optional<DriverJobCode> last = end.last;
    guard.unlock();
    jobs.cancel();
    (void)jobs.waitForThreads(10s);
    return last == DriverJobCode::Installed ? 0 : 1;
}

const CliRegistration kDriverJob{"driver-job", "driver-job [--adb-kill-name NAME] VID PID",
                                 "installs the phone's USB driver package, printing each "
                                 "progress code",
                                 driverJob};

} // namespace
