// The USB watcher's passes.
#include "UsbWatcher.h"

#include "DeviceList.h"
#include "DeviceTable.h"
#include "PhoneWebServices.h"
#include "UsbEnumeration.h"
#include "VendorTable.h"

#include "platform/Interruptible.h"

#include <algorithm>

UsbWatcher::UsbWatcher(DeviceTable& table, PhoneWebServices& web, std::string sysfsRoot,
                       std::string dbPath)
    : m_table(table), m_web(web), m_sysfsRoot(std::move(sysfsRoot)),
      m_filter(std::move(dbPath), web) {}

void UsbWatcher::run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        poll(stop);
        if (!platform::SleepFor(stop, m_period)) {
            break;
        }
    }
}

namespace {

std::vector<UsbDevice> vendorDevices(const std::string& sysfsRoot) {
    std::vector<UsbDevice> devices = ListUsbDevices(sysfsRoot);
    std::erase_if(devices,
                  [](const UsbDevice& device) { return !VendorName(RecordVid(device.record)); });
    return devices;
}

std::string recordsOf(const std::vector<UsbDevice>& devices) {
    std::string list;
    for (const UsbDevice& device : devices) {
        list += device.record;
    }
    return list;
}

// How often `device` (record and serial) is in `devices`.
std::size_t countOf(const std::vector<UsbDevice>& devices, const UsbDevice& device) {
    return static_cast<std::size_t>(std::count(devices.begin(), devices.end(), device));
}

} // namespace

void UsbWatcher::poll(std::stop_token stop) {
    std::vector<UsbDevice> listed = vendorDevices(m_sysfsRoot);
    // Compared before the known-phone filter, which reorders: an unchanged list costs no file
    // or network work, unless the service could not be asked last time.
    const bool retryDue = m_retryAt && std::chrono::steady_clock::now() >= *m_retryAt;
    if (listed == m_listed && !retryDue) {
        return;
    }
    const std::string phones = m_filter.apply(recordsOf(listed), stop);
    if (stop.stop_requested()) {
        return; // the filter may have given up half-way: keep the previous state
    }
    std::vector<UsbDevice> phoneDevices;
    for (const UsbDevice& device : listed) {
        if (CountRecord(phones, device.record) != 0) {
            phoneDevices.push_back(device);
        }
    }
    applyChanges(phoneDevices, stop);
    m_listed = std::move(listed);
    m_retryAt.reset();
    if (m_filter.lastApplyUnanswered()) {
        m_retryAt = std::chrono::steady_clock::now() + kUnansweredRetry;
    }
}

// Devices are counted, not merely looked for, so that two identical phones make two slots and
// each of them leaves again when it is unplugged. The table is brought fully in line with the
// new list even when a stop comes in between (the handler then raises nothing), so that a
// watcher run again starts from a table that matches its previous list.
void UsbWatcher::applyChanges(const std::vector<UsbDevice>& phones, std::stop_token stop) {
    std::vector<UsbDevice> seen;
    for (const UsbDevice& device : phones) {
        seen.push_back(device);
        if (countOf(seen, device) <= countOf(m_previous, device)) {
            continue;
        }
        const std::string vid(RecordVid(device.record));
        const std::string pid(RecordPid(device.record));
        m_table.Add(vid, pid, std::string(VendorName(vid).value_or("")), device.serial);
        if (!stop.stop_requested()) {
            m_web.reportMachineEvent(vid, pid, kMachineEventPhoneArrived);
        }
    }
    std::vector<UsbDevice> seenBefore;
    for (const UsbDevice& device : m_previous) {
        seenBefore.push_back(device);
        if (countOf(seenBefore, device) <= countOf(phones, device)) {
            continue;
        }
        m_table.Remove(std::string(RecordVid(device.record)), std::string(RecordPid(device.record)),
                       device.serial);
    }
    m_previous = phones;
}
