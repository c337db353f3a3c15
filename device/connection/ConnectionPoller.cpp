// The connection poller's thread.
#include "ConnectionPoller.h"

#include "DevicePageLink.h"
#include "StoppableCall.h"

#include "device/bridge/AdbCommands.h"
#include "device/bridge/AdbDeviceListing.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/Interruptible.h"

ConnectionPoller::~ConnectionPoller() {
    stop();
}

void ConnectionPoller::start(PageState fallbackState) {
    DevicePageLink& page = m_page;
    const std::chrono::milliseconds pause = m_pause;
    if (!m_worker.start([&page, fallbackState, pause](std::stop_token stop) {
            poll(stop, page, fallbackState, pause);
        })) {
        // Without a thread no poll runs: the page shows the fallback at once.
        page.sendPageState(fallbackState, {});
    }
}

void ConnectionPoller::stop() {
    m_worker.stop();
}

// Runs on its own thread and touches only its arguments.
void ConnectionPoller::poll(std::stop_token stop, DevicePageLink& page, PageState fallbackState,
                            std::chrono::milliseconds pause) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!platform::SleepFor(stop, pause)) {
            return;
        }
        std::optional<std::string> output = RunUntilStopped(
            stop, [] { return RunCaptureTimed(kAdbDevices, kListingLimitSeconds); });
        if (!output || stop.stop_requested()) {
            return;
        }
        const std::optional<std::vector<AdbDeviceEntry>> listing = ParseDeviceListing(*output);
        if (listing && page.followedPhoneOnline(*listing)) {
            page.sendPageState(PageState::Online, stop);
            return;
        }
    }
    if (!stop.stop_requested()) {
        page.sendPageState(fallbackState, stop);
    }
}
