// The USB watcher: every 300 ms it lists the present USB devices of the vendor table and, when
// that list changed, passes it through the known-phone filter and adds arriving phones to the
// device table and removes departed ones.
#pragma once

#include "KnownPhoneFilter.h"

#include <chrono>
#include <stop_token>
#include <string>

class DeviceTable;
class PhoneWebServices;

class UsbWatcher {
public:
    static constexpr std::chrono::milliseconds kPeriod{300};

    /// `sysfsRoot` as for EnumerateUsbDevices, `dbPath` the known-phone file.
    UsbWatcher(DeviceTable& table, PhoneWebServices& web, std::string sysfsRoot,
               std::string dbPath);

    /// Passes until `stop` is requested, kPeriod apart. Keeps its state between runs, so a
    /// watcher run again continues where it stopped.
    void run(std::stop_token stop);

    /// One pass: enumerate, vendor filter, and when the list differs from the previous phone
    /// list: known-phone filter, Add (with a machine-log kind 2) and Remove.
    void poll(std::stop_token stop);

    void setPeriodForTesting(std::chrono::milliseconds period) { m_period = period; }

private:
    void applyChanges(const std::string& phones, std::stop_token stop);

    DeviceTable& m_table;
    PhoneWebServices& m_web;
    const std::string m_sysfsRoot;
    KnownPhoneFilter m_filter;
    std::string m_previous; ///< phone list of the last pass; the watcher's thread only
    std::chrono::milliseconds m_period = kPeriod;
};
