// The phone makers' USB vendor ids the program looks for, and the device-list filter built on
// them. A device list is a text of 8-character records, the vendor id's 4 upper-case hex
// digits followed by the product id's ("18D14E12").
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

struct VendorRow {
    std::string_view vid;  ///< 4 upper-case hex digits
    std::string_view name; ///< at most 29 characters
};

/// The 42 phone makers, searched in this order.
extern const std::array<VendorRow, 42> VendorTable;

/// The vendor name of `vid` (exact comparison), or nothing when the table has no such row.
std::optional<std::string_view> VendorName(std::string_view vid);

/// True for the six makers whose devices are taken as phones without any lookup.
bool IsAlwaysAcceptedVendor(std::string_view vid);

/// `list` without the records whose vendor id is not in the table; a trailing partial record
/// is dropped.
std::string VendorFilter(std::string_view list);
