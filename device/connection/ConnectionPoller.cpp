// The connection poller's thread.
#include "ConnectionPoller.h"

#include "DevicePageLink.h"
#include "StoppableCall.h"
#include "WorkerThread.h"

#include "device/bridge/AdbCommands.h"
#include "device/bridge/AdbDeviceListing.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/Interruptible.h"

ConnectionPoller::~ConnectionPoller() {
    stop();
}

// The old thread is waited for outside the lock: it may be inside a page call that itself
// stops or restarts the poller.
void ConnectionPoller::start(int fallbackState) {
    std::jthread old;
    {
        std::lock_guard guard(m_lock);
        old = std::move(m_thread);
        old.request_stop();
        m_thread = std::jthread(poll, std::ref(m_page), fallbackState, m_pause);
    }
    StopWorker(old);
}

void ConnectionPoller::stop() {
    std::jthread old;
    {
        std::lock_guard guard(m_lock);
        old = std::move(m_thread);
    }
    StopWorker(old);
}

// Runs on its own thread and touches only its arguments: a stop from inside the page call
// detaches the thread, which may then outlive the poller object.
void ConnectionPoller::poll(std::stop_token stop, DevicePageLink& page, int fallbackState,
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
        if (ListingHasOnlineDevice(*output)) {
            page.sendPageState(kPageStateOnline, 0, stop);
            return;
        }
    }
    if (!stop.stop_requested()) {
        page.sendPageState(fallbackState, 0, stop);
    }
}
