// Parsing the output of `adb devices`. Both header forms are accepted: the program's
// "List of devices attached \r\n" with CR LF lines, and "List of devices attached\n" with
// LF lines as printed by current adb clients. adb's own start-up lines before the header are
// skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct AdbDeviceEntry {
    std::string serial; ///< text before the tab, at most 99 characters
    std::string state;  ///< text after the tab: "device", "offline", "unauthorized", ...
    bool online() const { return state == "device"; }
};

/// The entries of a listing, in order; nothing when the output holds no header.
std::optional<std::vector<AdbDeviceEntry>> ParseDeviceListing(std::string_view output);

/// The quick online test: the output contains "\tdevice" anywhere.
bool ListingHasOnlineDevice(std::string_view output);
