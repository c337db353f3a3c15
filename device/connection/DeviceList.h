// Reading device lists: texts of 8-character records, 4 hex digits of the vendor id followed
// by 4 of the product id. Records are compared whole, so a record is never found across the
// boundary of two others ("18D14E12" + "18D14E13" does not contain "4E1218D1").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kRecordChars = 8;
inline constexpr std::size_t kIdChars = 4;

/// The whole records of `list` in order; a trailing partial record is ignored.
std::vector<std::string_view> DeviceRecords(std::string_view list);

/// How many whole records of `list` equal `record`.
std::size_t CountRecord(std::string_view list, std::string_view record);

/// First and last four characters of a record.
inline std::string_view RecordVid(std::string_view record) {
    return record.substr(0, kIdChars);
}
inline std::string_view RecordPid(std::string_view record) {
    return record.substr(kIdChars, kIdChars);
}
