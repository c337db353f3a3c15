// The USB watcher: every 300 ms it lists the present USB devices of the vendor table and, when
// that list changed, passes it through the known-phone filter and adds arriving phones to the
// device table and removes departed ones.
#pragma once

#include "KnownPhoneFilter.h"
#include "UsbEnumeration.h"

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

class DeviceTable;
class PhoneWebServices;

class UsbWatcher {
public:
    static constexpr std::chrono::milliseconds kPeriod{300};
    /// An unchanged list goes through the filter again this long after a pass in which the
    /// web service could not be reached.
    static constexpr std::chrono::seconds kUnansweredRetry{10};

    /// `sysfsRoot` as for EnumerateUsbDevices, `dbPath` the known-phone file.
    UsbWatcher(DeviceTable& table, PhoneWebServices& web, std::string sysfsRoot,
               std::string dbPath);

    /// Passes until `stop` is requested, kPeriod apart. Keeps its state between runs, so a
    /// watcher run again continues where it stopped.
    void run(std::stop_token stop);

    /// One pass: enumerate, vendor filter, and when that list (VID, PID and USB serial of each
    /// device, in order) differs from the previous pass's: known-phone filter, Add (with a
    /// machine-log kind 2) and Remove. Slots carry their phones' USB serials.
    void poll(std::stop_token stop);

    void setPeriodForTesting(std::chrono::milliseconds period) { m_period = period; }

private:
    void applyChanges(const std::vector<UsbDevice>& phones, std::stop_token stop);

    DeviceTable& m_table;
    PhoneWebServices& m_web;
    const std::string m_sysfsRoot;
    KnownPhoneFilter m_filter;
    // The watcher's thread only:
    std::vector<UsbDevice> m_listed;   ///< vendor-filtered devices of the last filtered pass
    std::vector<UsbDevice> m_previous; ///< the phones among them
    std::optional<std::chrono::steady_clock::time_point> m_retryAt; ///< after an unanswered pass
    std::chrono::milliseconds m_period = kPeriod;
};
