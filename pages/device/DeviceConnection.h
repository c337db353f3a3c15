// The device page's connection machinery, one per program, owned where the program is put
// together: the device monitor with its event handler, the connection poller of the connecting
// screen and the wizard's search. Their calls to the windows go through the window handles of the
// device page, the wizard and the download manager as sent messages that a stop request withdraws,
// so a stopped worker never reaches a window. UI thread, except where noted.
#pragma once

#include "device/connection/ConnectionPoller.h"
#include "device/connection/DeviceMonitor.h"
#include "device/connection/DevicePageLink.h"
#include "device/connection/PhoneWebServices.h"
#include "device/connection/WizardRetry.h"

#include <chrono>
#include <functional>
#include <memory>

/// How the device monitor runs: sysfs root and known-phone database (defaults when empty) and
/// shorter watcher periods (zero: the monitor's own). `enabled` false keeps the monitor from
/// starting at all (an unattended start-up run, windows tests that must not look for phones).
struct DeviceConnectionSetup {
    bool enabled = true;
    DeviceMonitorSettings settings;
    std::chrono::milliseconds usbPeriod{0};
    std::chrono::milliseconds adbPeriod{0};
    std::chrono::milliseconds pollerPause{0};
};

class DeviceConnection : public DevicePageLink, public WizardLink {
public:
    /// `web` confirms phones missing from the known-phone list and takes the machine reports;
    /// it outlives this object. `phoneGone` tells the download manager that the phone left
    /// (any thread; it must not block).
    DeviceConnection(PhoneWebServices& web, std::function<void()> phoneGone,
                     DeviceConnectionSetup setup);
    ~DeviceConnection() override;
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    /// Starts the device monitor (created on the first call); a monitor stopped by
    /// stopMonitor() resumes.
    void startMonitor();
    /// Stops the monitor's threads and marks it not started (page destruction).
    void stopMonitor();

    ConnectionPoller& poller() { return m_poller; }
    WizardRetry& wizardRetry() { return m_retry; }

    /// Copies the slot the page follows (any thread). False without a followed phone.
    [[nodiscard]] bool copyCurrentDevice(DeviceSlot& slot) const;
    /// `CurrentDevice`: the followed slot, -1 when none (any thread).
    int currentDevice() const;

    // DevicePageLink and WizardLink, on the workers' threads.
    void enableWizardButton(std::stop_token stop) override;
    void sendPageState(PageState state, std::stop_token stop) override;
    void postPhoneGone(std::stop_token stop) override;
    void stopAnimation(std::stop_token stop) override;
    void sendDriverStep(std::stop_token stop) override;
    /// Judged on the device table: a "device" line whose serial belongs to the followed slot.
    bool followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const override;

private:
    // The poller's page link. Its state changes are posted, not sent: the page stops the
    // poller (and waits for its thread) while drawing the state the poller asked for, so a
    // poller waiting for that drawing would never end. A posted change carries the poller's
    // stop token and is dropped if the poller was stopped before the page handles it.
    class PostingLink : public DevicePageLink {
    public:
        explicit PostingLink(const DeviceConnection& owner) : m_owner(owner) {}
        void enableWizardButton(std::stop_token) override {}
        void sendPageState(PageState state, std::stop_token stop) override;
        void postPhoneGone(std::stop_token) override {}
        bool followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const override {
            return m_owner.followedPhoneOnline(listing);
        }

    private:
        const DeviceConnection& m_owner;
    };

    PhoneWebServices& m_web;
    const std::function<void()> m_phoneGone;
    const DeviceConnectionSetup m_setup;
    PostingLink m_pollerLink;
    std::unique_ptr<DeviceMonitor> m_monitor; // created and started on the UI thread
    ConnectionPoller m_poller;
    WizardRetry m_retry;
};
