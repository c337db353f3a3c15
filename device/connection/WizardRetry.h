// The connection wizard's search for the phone: `adb devices` (5 s); on a miss the adb server
// is restarted, then after one second `adb devices` once more. The followed phone online ends
// the wizard (the page is told state 3, then resumes); a second miss moves the wizard on to
// the driver.
#pragma once

#include "platform/Worker.h"

#include <chrono>
#include <mutex>
#include <stop_token>
#include <thread>

class DevicePageLink;
class WizardLink;

class WizardRetry {
public:
    static constexpr std::chrono::milliseconds kPause{1000};
    static constexpr int kListingLimitSeconds = 5;

    /// `page` and `wizard` must outlive the retry.
    WizardRetry(DevicePageLink& page, WizardLink& wizard) : m_page(page), m_wizard(wizard) {}
    ~WizardRetry();
    WizardRetry(const WizardRetry&) = delete;
    WizardRetry& operator=(const WizardRetry&) = delete;

    /// Stops a running search, then starts a new one.
    void start();

    /// Stops the search and waits for its thread (returns within moments, also while adb
    /// runs). Nothing reaches the windows afterwards. May be called from inside one of the
    /// search's own window calls.
    void stop();

    /// Whether a search thread runs (UI thread).
    bool running() const { return m_worker.running(); }

    void setPauseForTesting(std::chrono::milliseconds pause) { m_pause = pause; }

private:
    static void search(std::stop_token stop, DevicePageLink& page, WizardLink& wizard,
                       std::chrono::milliseconds pause);

    DevicePageLink& m_page;
    WizardLink& m_wizard;
    platform::Worker m_worker;
    std::chrono::milliseconds m_pause = kPause;
};
