// The phone's property record, which of its facts could not be read, and the marker for a
// value that could not be read.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>

/// Text of every property that could not be read ("unknown").
inline constexpr const char* kUnknownMarker = "未知";

/// The facts of the record, in the order the info panel shows them.
enum class PhoneFact : std::size_t { Model, Manufacturer, Release, Baseband, Bootloader, Root };
inline constexpr std::size_t kPhoneFactCount = 6;

struct PhoneInfo {
    std::string model;
    std::string manufacturer;
    std::string release; ///< Android release, e.g. "4.4.2"
    std::string baseband;
    std::string bootloader;
    std::string root; ///< "true", "false", or empty when the root probe did not run
    /// Facts that could not be read (adb failed, ran out of time or answered something that
    /// is not a property listing): worth asking again. Their text is kUnknownMarker (root:
    /// empty). A fact the phone answered is read, also when its value is empty or "unknown".
    std::bitset<kPhoneFactCount> unread{};

    bool isRead(PhoneFact fact) const { return !unread.test(static_cast<std::size_t>(fact)); }
    void setRead(PhoneFact fact, bool read) { unread.set(static_cast<std::size_t>(fact), !read); }
    /// The five properties are read (root aside).
    bool propertiesRead() const { return unread.count() == (isRead(PhoneFact::Root) ? 0u : 1u); }
    /// Every fact was read: nothing to ask again.
    bool complete() const { return unread.none(); }
};
