// Starting and stopping the device monitor's watchers.
#include "DeviceMonitor.h"

#include "KnownPhoneDb.h"
#include "UsbEnumeration.h"

namespace {

std::string orDefault(std::string value, std::string (*fallback)()) {
    return value.empty() ? fallback() : value;
}

std::string defaultSysfsRoot() {
    return SysfsRoot();
}

} // namespace

DeviceMonitor::DeviceMonitor(DevicePageLink& page, PhoneWebServices& web,
                             DeviceMonitorSettings settings)
    : m_handler(page, &m_table),
      m_usbWatcher(m_table, web, orDefault(std::move(settings.sysfsRoot), defaultSysfsRoot),
                   orDefault(std::move(settings.knownPhoneDb), KnownPhoneDb::DefaultPath)),
      m_adbWatcher(m_table) {}

DeviceMonitor::~DeviceMonitor() {
    stop();
}

void DeviceMonitor::start() {
    std::lock_guard guard(m_lock);
    if (m_started) {
        return;
    }
    // One stop source for both watchers: the handler passes its token on to the page.
    m_stopSource = std::stop_source();
    std::stop_token token = m_stopSource.get_token();
    m_table.setEventHandler(
        [this, token](DeviceEvent event, int index) { m_handler.handle(event, index, token); });
    m_usbThread = std::jthread([this, token] { m_usbWatcher.run(token); });
    m_adbThread = std::jthread([this, token] { m_adbWatcher.run(token); });
    m_started = true;
}

void DeviceMonitor::stop() {
    std::lock_guard guard(m_lock);
    if (!m_started) {
        return;
    }
    m_stopSource.request_stop();
    if (m_usbThread.joinable()) {
        m_usbThread.join();
    }
    if (m_adbThread.joinable()) {
        m_adbThread.join();
    }
    m_table.setEventHandler(nullptr);
    m_started = false;
}

bool DeviceMonitor::started() const {
    return m_started.load();
}

bool DeviceMonitor::copyCurrentDevice(DeviceSlot& slot) const {
    return m_table.Copy(m_handler.currentDevice(), slot);
}

void DeviceMonitor::setUsbPeriodForTesting(std::chrono::milliseconds period) {
    std::lock_guard guard(m_lock);
    m_usbWatcher.setPeriodForTesting(period);
}

void DeviceMonitor::setAdbPeriodForTesting(std::chrono::milliseconds period) {
    std::lock_guard guard(m_lock);
    m_adbWatcher.setPeriodForTesting(period);
}
