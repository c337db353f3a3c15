// The device monitor: the device table, the USB watcher and the adb watcher on their own
// threads, and the event handler that turns table events into device page states. The device
// page starts it when it initialises and stops it when it is destroyed; the program keeps one
// monitor for its whole run.
#pragma once

#include "AdbWatcher.h"
#include "DeviceEventHandler.h"
#include "DeviceTable.h"
#include "UsbWatcher.h"

#include "platform/Worker.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

class DevicePageLink;
class PhoneWebServices;

struct DeviceMonitorSettings {
    std::string sysfsRoot;    ///< empty: SysfsRoot()
    std::string knownPhoneDb; ///< empty: KnownPhoneDb::DefaultPath()
};

class DeviceMonitor {
public:
    /// `page` and `web` must outlive the monitor.
    DeviceMonitor(DevicePageLink& page, PhoneWebServices& web, DeviceMonitorSettings settings = {});
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    /// Starts the USB watcher and the adb watcher with the event handler installed. Nothing
    /// when already started. A monitor started again after stop() continues from the state the
    /// watchers had (the adb server is killed on the first start only).
    void start();

    /// Stops both watchers and waits for them; returns within moments even while a watcher
    /// waits for adb or the web service. No event reaches the page after stop() returned.
    /// start() and stop() are not to be called from inside a DevicePageLink call (the other
    /// members may be).
    void stop();

    bool started() const;

    /// The table the watchers write; the page's workers read slots with Copy.
    const DeviceTable& table() const { return m_table; }

    /// The slot the device page follows, -1 when none.
    int currentDevice() const { return m_handler.currentDevice(); }

    /// Copies the followed slot. False when no phone is followed or its slot is free.
    [[nodiscard]] bool copyCurrentDevice(DeviceSlot& slot) const;

    /// Whether the followed phone is "device" in `listing`: a "device" line whose serial the
    /// table gives to the followed slot. False when no phone is followed. Any thread.
    bool followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const;

    /// Shorter watcher periods for tests; call before start().
    void setUsbPeriodForTesting(std::chrono::milliseconds period);
    void setAdbPeriodForTesting(std::chrono::milliseconds period);

private:
    DeviceTable m_table;
    DeviceEventHandler m_handler;
    UsbWatcher m_usbWatcher;
    AdbWatcher m_adbWatcher;

    std::mutex m_lock; ///< serialises start and stop; guards the members below
    platform::Worker m_usbThread;
    platform::Worker m_adbThread;
    std::atomic<bool> m_started{false}; ///< written under m_lock, read from any thread
};
