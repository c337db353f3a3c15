// Record-wise reading of device lists.
#include "DeviceList.h"

std::vector<std::string_view> DeviceRecords(std::string_view list) {
    std::vector<std::string_view> records;
    records.reserve(list.size() / kRecordChars);
    for (std::size_t at = 0; at + kRecordChars <= list.size(); at += kRecordChars) {
        records.push_back(list.substr(at, kRecordChars));
    }
    return records;
}

std::size_t CountRecord(std::string_view list, std::string_view record) {
    std::size_t count = 0;
    for (std::string_view each : DeviceRecords(list)) {
        count += each == record ? 1 : 0;
    }
    return count;
}
