// The device page's connection machinery, one per process: the device monitor with its event
// handler, the connection poller of the connecting screen and the wizard's search. Their calls
// to the windows go through the window handles of the device page, the wizard and the download
// manager as sent messages that a stop request withdraws, so a stopped worker never reaches a
// window. UI thread, except where noted.
#pragma once

#include "device/connection/ConnectionPoller.h"
#include "device/connection/DeviceMonitor.h"
#include "device/connection/DevicePageLink.h"
#include "device/connection/PhoneWebServices.h"
#include "device/connection/WizardRetry.h"

#include <memory>

class DeviceConnection : public DevicePageLink, public WizardLink {
public:
    static DeviceConnection& instance();

    /// Starts the device monitor (created on the first call); a monitor stopped by
    /// stopMonitor() resumes.
    void startMonitor();
    /// Stops the monitor's threads and marks it not started (page destruction).
    void stopMonitor();
    /// Stops and drops the monitor, so that the next start builds one with the setup then in
    /// force (tests with a sysfs tree and phonesim of their own).
    void resetMonitorForTesting();

    ConnectionPoller& poller() { return m_poller; }
    WizardRetry& wizardRetry() { return m_retry; }

    /// Copies the slot the page follows (any thread). False without a followed phone.
    [[nodiscard]] bool copyCurrentDevice(DeviceSlot& slot) const;
    /// `CurrentDevice`: the followed slot, -1 when none (any thread).
    int currentDevice() const;

    // DevicePageLink and WizardLink, on the workers' threads.
    void enableWizardButton(std::stop_token stop) override;
    void sendPageState(int wParam, int lParam, std::stop_token stop) override;
    void postPhoneGone(std::stop_token stop) override;
    void stopAnimation(std::stop_token stop) override;
    void sendDriverStep(std::stop_token stop) override;

private:
    DeviceConnection();

    // The poller's page link. Its state changes are posted, not sent: the page stops the
    // poller (and waits for its thread) while drawing the state the poller asked for, so a
    // poller waiting for that drawing would never end. A posted change carries the poller's
    // stop token and is dropped if the poller was stopped before the page handles it.
    class PostingLink : public DevicePageLink {
    public:
        void enableWizardButton(std::stop_token) override {}
        void sendPageState(int wParam, int lParam, std::stop_token stop) override;
        void postPhoneGone(std::stop_token) override {}
    };

    // Without a web service from app/ no phone is confirmed and nothing is reported.
    class NoWebServices : public PhoneWebServices {
    public:
        PhoneAnswer confirmPhone(const std::string&, const std::string&, std::stop_token) override {
            return PhoneAnswer::NoAnswer;
        }
        void reportMachineEvent(const std::string&, const std::string&, int) override {}
    };

    PostingLink m_pollerLink;
    NoWebServices m_noWeb;
    std::unique_ptr<DeviceMonitor> m_monitor; // created and started on the UI thread
    ConnectionPoller m_poller;
    WizardRetry m_retry;
};
