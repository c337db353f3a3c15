#include "DeviceConnection.h"

#include "DevicePageMessages.h"

#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindows.h"

DeviceConnection::DeviceConnection(PhoneWebServices& web, std::function<void()> phoneGone,
                                   DeviceConnectionSetup setup)
    : m_web(web), m_phoneGone(std::move(phoneGone)), m_setup(std::move(setup)), m_pollerLink(*this),
      m_poller(m_pollerLink), m_retry(*this, *this) {
    if (m_setup.pollerPause.count() > 0) {
        m_poller.setPauseForTesting(m_setup.pollerPause);
        m_retry.setPauseForTesting(m_setup.pollerPause);
    }
}

DeviceConnection::~DeviceConnection() {
    stopMonitor();
}

void DeviceConnection::startMonitor() {
    const DeviceConnectionSetup& setup = m_setup;
    if (!setup.enabled) {
        return;
    }
    if (!m_monitor) {
        m_monitor = std::make_unique<DeviceMonitor>(*this, m_web, setup.settings);
        if (setup.usbPeriod.count() > 0) {
            m_monitor->setUsbPeriodForTesting(setup.usbPeriod);
        }
        if (setup.adbPeriod.count() > 0) {
            m_monitor->setAdbPeriodForTesting(setup.adbPeriod);
        }
    }
    m_monitor->start();
}

void DeviceConnection::stopMonitor() {
    m_poller.stop();
    m_retry.stop();
    if (m_monitor) {
        m_monitor->stop();
    }
}

bool DeviceConnection::copyCurrentDevice(DeviceSlot& slot) const {
    return m_monitor && m_monitor->copyCurrentDevice(slot);
}

int DeviceConnection::currentDevice() const {
    return m_monitor ? m_monitor->currentDevice() : -1;
}

bool DeviceConnection::followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const {
    return m_monitor && m_monitor->followedPhoneOnline(listing);
}

void DeviceConnection::enableWizardButton(std::stop_token stop) {
    SendKivMessage(WindowHandle(KivWindowRole::DevicePage), kMsgMonitorRunning, 0, 0, stop);
}

void DeviceConnection::sendPageState(PageState state, std::stop_token stop) {
    SendKivMessage(WindowHandle(KivWindowRole::DevicePage), kMsgDeviceState,
                   static_cast<KivWParam>(state), 0, stop);
}

void DeviceConnection::PostingLink::sendPageState(PageState state, std::stop_token stop) {
    if (!stop.stop_requested()) {
        PostKivMessageWith(WindowHandle(KivWindowRole::DevicePage), kMsgWorkerState, 0,
                           WorkerPost<PageState>{state, stop});
    }
}

void DeviceConnection::postPhoneGone(std::stop_token stop) {
    if (!stop.stop_requested()) {
        m_phoneGone();
    }
}

void DeviceConnection::stopAnimation(std::stop_token stop) {
    SendKivMessage(WindowHandle(KivWindowRole::Wizard), kMsgWizardStopAnimation, 0, 0, stop);
}

void DeviceConnection::sendDriverStep(std::stop_token stop) {
    SendKivMessage(WindowHandle(KivWindowRole::Wizard), kMsgWizardDriver, 0, 0, stop);
}
