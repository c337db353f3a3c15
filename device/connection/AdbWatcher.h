// The adb watcher: ends the adb server already running on the program's port, reports that the
// monitor runs, then every 10 seconds runs `adb devices` and tells the device table which serials
// became or stopped being "device".
#pragma once

#include "device/bridge/AdbDeviceListing.h"

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

class DeviceTable;

class AdbWatcher {
public:
    static constexpr std::chrono::milliseconds kPeriod{10000};

    explicit AdbWatcher(DeviceTable& table) : m_table(table) {}

    /// On its first run: stops the adb server on the program's port (StopAdbServer). On every run:
    /// raises MonitorRunning, then lists until `stop` is requested, kPeriod apart. Keeps its
    /// previous listing between runs.
    void run(std::stop_token stop);

    /// Applies one `adb devices` output to the table: nothing when it holds no listing or the
    /// listing equals the previous one; otherwise SetState(serial, online) for each "device"
    /// line whose serial the previous listing did not show as "device" (absent, or
    /// "unauthorized" / "offline" there), and SetState(serial, offline) for each previous
    /// "device" line whose serial the new listing does not show as "device".
    void applyOutput(const std::string& output);

    void setPeriodForTesting(std::chrono::milliseconds period) { m_period = period; }

private:
    DeviceTable& m_table;
    std::vector<AdbDeviceEntry> m_previous; ///< the watcher's thread only
    bool m_killedStrays = false;            ///< the watcher's thread only
    std::chrono::milliseconds m_period = kPeriod;
};
