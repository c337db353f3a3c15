// The adb watcher's loop and listing comparison.
#include "AdbWatcher.h"

#include "DeviceTable.h"
#include "StoppableCall.h"

#include "device/bridge/AdbCommands.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/Interruptible.h"

#include <algorithm>

namespace {

// Whether the listing shows `serial` as "device". A phone that was listed before as
// "unauthorized" or "offline" and now is "device" counts as new: the user allowed debugging
// late, or the phone came back, and the page must hear of it.
bool listsOnline(const std::vector<AdbDeviceEntry>& listing, const std::string& serial) {
    return std::any_of(listing.begin(), listing.end(), [&](const AdbDeviceEntry& entry) {
        return entry.serial == serial && entry.online();
    });
}

bool sameListing(const std::vector<AdbDeviceEntry>& a, const std::vector<AdbDeviceEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const AdbDeviceEntry& x, const AdbDeviceEntry& y) {
                          return x.serial == y.serial && x.state == y.state;
                      });
}

} // namespace

void AdbWatcher::run(std::stop_token stop) {
    if (!m_killedStrays) {
        // A server left from an earlier program run may hold phones in a bad state. Only the
        // server on the program's own port is ended; other tools' adb servers stay.
        StopAdbServer();
        m_killedStrays = true;
    }
    if (stop.stop_requested()) {
        return;
    }
    m_table.raise(DeviceEvent::MonitorRunning, 0);
    while (!stop.stop_requested()) {
        std::optional<std::string> output =
            RunUntilStopped(stop, [] { return RunCapture(kAdbDevices); });
        if (!output) {
            break;
        }
        applyOutput(*output);
        if (!platform::SleepFor(stop, m_period)) {
            break;
        }
    }
}

void AdbWatcher::applyOutput(const std::string& output) {
    std::optional<std::vector<AdbDeviceEntry>> current = ParseDeviceListing(output);
    if (!current || sameListing(*current, m_previous)) {
        return;
    }
    for (const AdbDeviceEntry& entry : *current) {
        if (entry.online() && !entry.serial.empty() && !listsOnline(m_previous, entry.serial)) {
            m_table.SetState(entry.serial, true);
        }
    }
    for (const AdbDeviceEntry& entry : m_previous) {
        if (entry.online() && !entry.serial.empty() && !listsOnline(*current, entry.serial)) {
            m_table.SetState(entry.serial, false);
        }
    }
    m_previous = std::move(*current);
}
