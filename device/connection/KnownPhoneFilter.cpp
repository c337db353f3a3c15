// The known-phone filter: always-accepted makers, the known-phone file, then the web service.
#include "KnownPhoneFilter.h"

#include "DeviceList.h"
#include "KnownPhoneDb.h"
#include "PhoneWebServices.h"
#include "VendorTable.h"

KnownPhoneFilter::KnownPhoneFilter(std::string dbPath, PhoneWebServices& web)
    : m_dbPath(std::move(dbPath)), m_web(web) {}

std::string KnownPhoneFilter::apply(std::string_view list, std::stop_token stop) {
    KnownPhoneDb db;
    // A missing or unreadable file answers no pair; every pair then goes to the service.
    (void)db.open(m_dbPath);
    std::string found; // file hits, newest first
    std::string kept;
    m_unanswered = false;
    for (std::string_view record : DeviceRecords(list)) {
        if (stop.stop_requested()) {
            break;
        }
        const std::string vid(RecordVid(record));
        const std::string pid(RecordPid(record));
        if (IsAlwaysAcceptedVendor(vid)) {
            kept.append(record);
        } else if (db.contains(vid, pid)) {
            found.insert(0, record);
        } else if (m_asked.count(record) == 0) {
            const PhoneAnswer answer = m_web.confirmPhone(vid, pid, stop);
            if (answer == PhoneAnswer::Phone) {
                kept.append(record);
                (void)db.insert(pid, vid); // a failed insert only means asking again next run
            } else if (answer == PhoneAnswer::NotPhone && !stop.stop_requested()) {
                m_asked.emplace(record);
                m_web.reportMachineEvent(vid, pid, kMachineEventUnconfirmedDevice);
            } else {
                m_unanswered = true; // a network failure says nothing about the pair
            }
        }
    }
    return found + kept;
}

bool KnownPhoneFilter::wasRejected(std::string_view vid, std::string_view pid) const {
    std::string key(vid);
    key.append(pid);
    return m_asked.count(key) != 0;
}
