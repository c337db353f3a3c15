// penlow-cli command that holds the program's background work in flight and then runs the
// exit sequence: downloads running in a queue, the device monitor polling, a machine report
// waiting on its server, a driver job looking its package up. It prints "working" once all of
// it runs and leaves when stdin gives a line or ends, with the exit sequence's own time. The
// exit test and the exit benchmark drive it.
#include "CliRegistry.h"

#include "app/parts/DriverJobWiring.h"
#include "app/parts/ProgramParts.h"
#include "app/parts/WebPhoneServices.h"
#include "device/bridge/AdbCommands.h"
#include "device/connection/DeviceMonitor.h"
#include "device/connection/DevicePageLink.h"
#include "device/connection/DriverJobs.h"
#include "downloads/CKivDownObj.h"
#include "downloads/CKivDownQueue.h"
#include "webservices/MachineEventReport.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The page the monitor reports to: counts what arrives, prints nothing.
class QuietPage : public DevicePageLink {
public:
    void enableWizardButton(std::stop_token) override { ++m_calls; }
    void postPhoneGone(std::stop_token) override { ++m_calls; }
    void sendPageState(PageState, std::stop_token) override { ++m_calls; }
    void deviceEvent(DeviceEvent, int) override { ++m_calls; }

private:
    std::atomic<int> m_calls{0};
};

void ignoreEvent(TaskEvent, void*, const TaskEventData&) {}

struct Work {
    std::vector<std::string> downloads;
    bool monitor = false;
    bool report = false;
    bool driverJob = false;
    std::string folder = std::filesystem::absolute("exit-downloads").string() + "/";
};

bool parseWork(const CliArgs& args, Work& work) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--download" && i + 1 < args.size()) {
            work.downloads.push_back(args[++i]);
        } else if (args[i] == "--adb-kill-name" && i + 1 < args.size()) {
            SetAdbProcessNameForTesting(args[++i]);
        } else if (args[i] == "--monitor") {
            work.monitor = true;
        } else if (args[i] == "--report") {
            work.report = true;
        } else if (args[i] == "--driver-job") {
            work.driverJob = true;
        } else {
            return false;
        }
    }
    return true;
}

bool startDownloads(CKivDownQueue& queue, const Work& work) {
    if (work.downloads.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(work.folder, ec);
    if (ec || queue.Init(false) != 0) {
        return false;
    }
    queue.SetLimit(static_cast<int>(work.downloads.size()));
    for (const std::string& url : work.downloads) {
        CKivDownObj* task = queue.AddNewTask(url, work.folder, false, ignoreEvent, nullptr);
        if (task == nullptr || queue.EnqueueTask(task) != 0) {
            return false;
        }
    }
    return true;
}

int exitWithWork(const CliArgs& args) {
    Work work;
    if (!parseWork(args, work)) {
        return CliUsageError("exit-with-work [--download URL]... [--monitor] [--report] "
                             "[--driver-job] [--adb-kill-name NAME]");
    }
    auto driverJobs = std::make_unique<DriverJobs>(MakeDriverJobParts());
    QuietPage page;
    WebPhoneServices web;
    auto monitor = std::make_unique<DeviceMonitor>(page, web);
    auto queue = std::make_unique<CKivDownQueue>();
    if (!startDownloads(*queue, work)) {
        std::printf("failed: downloads\n");
        return 1;
    }
    if (work.monitor) {
        monitor->start();
    }
    if (work.report) {
        webservices::ReportMachineEvent("", "", webservices::kEventProgramStart, {});
    }
    if (work.driverJob && !driverJobs->start("18d1", "4ee2", [](const DriverProgress&, auto) {})) {
        std::printf("failed: driver job\n");
        return 1;
    }
    std::printf("working\n");
    std::fflush(stdout);
    std::string line;
    (void)std::getline(std::cin, line);

    // The program's exit order: the windows' workers (monitor, queues), the services' driver
    // jobs, then the background work of the subsystems.
    const Clock::time_point start = Clock::now();
    monitor.reset();
    queue.reset();
    driverJobs.reset();
    StopProgramWork();
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    std::printf("exit sequence %lld us\n", static_cast<long long>(took.count()));
    return 0;
}

const CliRegistration kExitWithWork{
    "exit-with-work",
    "exit-with-work [--download URL]... [--monitor] [--report] [--driver-job] "
    "[--adb-kill-name NAME]",
    "starts background work, then runs the exit sequence when stdin gives a line", exitWithWork};

} // namespace
