// The USB watcher's passes.
#include "UsbWatcher.h"

#include "DeviceList.h"
#include "DeviceTable.h"
#include "PhoneWebServices.h"
#include "UsbEnumeration.h"
#include "VendorTable.h"

#include "platform/Interruptible.h"

#include <map>

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

void UsbWatcher::poll(std::stop_token stop) {
    const std::string current = VendorFilter(EnumerateUsbDevices(m_sysfsRoot));
    // Compared before the known-phone filter: an unchanged list costs no file or network work.
    if (current == m_previous) {
        return;
    }
    std::string phones = m_filter.apply(current, stop);
    if (stop.stop_requested()) {
        return; // the filter may have given up half-way: keep the previous state
    }
    applyChanges(phones, stop);
}

// Records are counted, not merely looked for, so that two identical phones make two slots and
// each of them leaves again when it is unplugged. The table is brought fully in line with the
// new list even when a stop comes in between (the handler then raises nothing), so that a
// watcher run again starts from a table that matches its previous list.
void UsbWatcher::applyChanges(const std::string& phones, std::stop_token stop) {
    std::map<std::string_view, std::size_t> seen;
    for (std::string_view record : DeviceRecords(phones)) {
        if (++seen[record] <= CountRecord(m_previous, record)) {
            continue;
        }
        const std::string vid(RecordVid(record));
        const std::string pid(RecordPid(record));
        m_table.Add(vid, pid, std::string(VendorName(vid).value_or("")));
        if (!stop.stop_requested()) {
            m_web.reportMachineEvent(vid, pid, kMachineEventPhoneArrived);
        }
    }
    std::map<std::string_view, std::size_t> seenBefore;
    for (std::string_view record : DeviceRecords(m_previous)) {
        if (++seenBefore[record] <= CountRecord(phones, record)) {
            continue;
        }
        m_table.Remove(std::string(RecordVid(record)), std::string(RecordPid(record)));
    }
    m_previous = phones;
}
