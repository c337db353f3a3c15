// The connection poller of the device page's connecting screen: up to three `adb devices`
// runs, 2 seconds apart, each limited to 5 seconds. The followed phone online (as the page
// judges it: another phone's "device" line does not count) sends state 3 to the page;
// three misses send the fallback state (2 after a USB arrival, 5 after "refresh device").
#pragma once

#include "platform/Worker.h"

#include <chrono>
#include <mutex>
#include <stop_token>
#include <thread>

class DevicePageLink;
enum class PageState : int;

class ConnectionPoller {
public:
    static constexpr int kAttempts = 3;
    static constexpr std::chrono::milliseconds kPause{2000};
    static constexpr int kListingLimitSeconds = 5;

    /// `page` must outlive the poller.
    explicit ConnectionPoller(DevicePageLink& page) : m_page(page) {}
    ~ConnectionPoller();
    ConnectionPoller(const ConnectionPoller&) = delete;
    ConnectionPoller& operator=(const ConnectionPoller&) = delete;

    /// Stops a running poll, then starts a new one with `fallbackState`.
    void start(PageState fallbackState);

    /// Stops the poll and waits for its thread (returns within moments, also while adb runs).
    /// Nothing reaches the page afterwards. May be called from inside the poller's own page
    /// call; the thread then ends as soon as that call returns and is joined by the next stop
    /// or start from another thread.
    void stop();

    void setPauseForTesting(std::chrono::milliseconds pause) { m_pause = pause; }

private:
    static void poll(std::stop_token stop, DevicePageLink& page, PageState fallbackState,
                     std::chrono::milliseconds pause);

    DevicePageLink& m_page;
    platform::Worker m_worker;
    std::chrono::milliseconds m_pause = kPause;
};
