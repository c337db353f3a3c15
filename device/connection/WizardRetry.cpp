// The wizard's search thread.
#include "WizardRetry.h"

#include "DevicePageLink.h"
#include "StoppableCall.h"

#include "device/bridge/AdbCommands.h"
#include "device/bridge/AdbDeviceListing.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/Interruptible.h"

namespace {

// One `adb devices` run: true when the followed phone is online, nothing when stopped.
std::optional<bool> followedPhoneOnline(std::stop_token stop, const DevicePageLink& page) {
    std::optional<std::string> output = RunUntilStopped(
        stop, [] { return RunCaptureTimed(kAdbDevices, WizardRetry::kListingLimitSeconds); });
    if (!output || stop.stop_requested()) {
        return std::nullopt;
    }
    const std::optional<std::vector<AdbDeviceEntry>> listing = ParseDeviceListing(*output);
    return listing && page.followedPhoneOnline(*listing);
}

} // namespace

WizardRetry::~WizardRetry() {
    stop();
}

void WizardRetry::start() {
    DevicePageLink& page = m_page;
    WizardLink& wizard = m_wizard;
    const std::chrono::milliseconds pause = m_pause;
    (void)m_worker.start(
        [&page, &wizard, pause](std::stop_token stop) { search(stop, page, wizard, pause); });
}

void WizardRetry::stop() {
    m_worker.stop();
}

// Runs on its own thread and touches only its arguments (see ConnectionPoller::poll).
void WizardRetry::search(std::stop_token stop, DevicePageLink& page, WizardLink& wizard,
                         std::chrono::milliseconds pause) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::optional<bool> online = followedPhoneOnline(stop, page);
        if (!online) {
            return;
        }
        if (*online) {
            // The page learns that its phone is online before the wizard's suspension ends,
            // so it shows the phone rather than the state it had before the wizard.
            wizard.stopAnimation(stop);
            if (!stop.stop_requested()) {
                page.sendPageState(PageState::Online, stop);
            }
            if (!stop.stop_requested()) {
                page.sendPageState(PageState::EndWizard, stop);
            }
            return;
        }
        if (attempt == 0) {
            if (!RunUntilStopped(stop, [] { return (RestartAdbServer(), true); }) ||
                !platform::SleepFor(stop, pause)) {
                return;
            }
        }
    }
    wizard.stopAnimation(stop);
    if (!stop.stop_requested()) {
        wizard.sendDriverStep(stop);
    }
}
