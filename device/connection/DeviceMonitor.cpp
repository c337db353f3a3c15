// Starting and stopping the device monitor's watchers.
#include "DeviceMonitor.h"

#include "KnownPhoneDb.h"
#include "UsbEnumeration.h"

#include "platform/DebugLog.h"
#include "platform/StopScope.h"

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
    // The table's events come from the watchers' threads: the handler passes the stop token of
    // the watcher it runs on to the page, so a stopped watcher reaches no window.
    m_table.setEventHandler([this](DeviceEvent event, int index) {
        m_handler.handle(event, index, platform::CurrentStopToken());
    });
    const bool usb = m_usbThread.start([this](std::stop_token stop) { m_usbWatcher.run(stop); });
    const bool adb = m_adbThread.start([this](std::stop_token stop) { m_adbWatcher.run(stop); });
    if (!usb || !adb) {
        platform::DebugOutput("DeviceMonitor: no thread for a watcher");
    }
    m_started = true;
}

void DeviceMonitor::stop() {
    std::lock_guard guard(m_lock);
    if (!m_started) {
        return;
    }
    m_usbThread.requestStop(); // both end together, then both are joined
    m_adbThread.requestStop();
    m_usbThread.stop();
    m_adbThread.stop();
    m_table.setEventHandler(nullptr);
    m_started = false;
}

bool DeviceMonitor::started() const {
    return m_started.load();
}

bool DeviceMonitor::copyCurrentDevice(DeviceSlot& slot) const {
    return m_table.Copy(m_handler.currentDevice(), slot);
}

bool DeviceMonitor::followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const {
    const int followed = m_handler.currentDevice();
    if (followed < 0) {
        return false;
    }
    for (const AdbDeviceEntry& entry : listing) {
        if (entry.online() && m_table.slotFor(entry.serial) == followed) {
            return true;
        }
    }
    return false;
}

void DeviceMonitor::setUsbPeriodForTesting(std::chrono::milliseconds period) {
    std::lock_guard guard(m_lock);
    m_usbWatcher.setPeriodForTesting(period);
}

void DeviceMonitor::setAdbPeriodForTesting(std::chrono::milliseconds period) {
    std::lock_guard guard(m_lock);
    m_adbWatcher.setPeriodForTesting(period);
}
