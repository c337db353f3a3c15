// The phone's property record and the marker for a value that could not be read.
#pragma once

#include <string>

/// Text of every property that could not be read ("unknown").
inline constexpr const char* kUnknownMarker = "未知";

struct PhoneInfo {
    std::string model;
    std::string manufacturer;
    std::string release; ///< Android release, e.g. "4.4.2"
    std::string baseband;
    std::string bootloader;
    std::string root; ///< "true", "false", or empty when the root probe did not run
};
