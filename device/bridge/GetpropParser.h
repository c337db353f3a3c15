// Reading the phone's property record out of the full `getprop` listing
// ("[key]: [value]" lines). No I/O.
#pragma once

#include "PhoneInfo.h"

#include <string_view>

/// True when `output` holds at least one complete "[key]: [value]" line. adb's error texts,
/// su's refusals, an empty answer and output cut off inside its first line are not listings.
bool IsGetpropListing(std::string_view output);

/// Fills model, manufacturer, release, baseband and bootloader from `output` and marks them
/// read or unread. Output that is no listing leaves all five unread (kUnknownMarker). In a
/// listing, a value that contains "unknown" is the phone's own "don't know": kUnknownMarker,
/// read. A missing baseband line is a phone without a radio (a tablet, an emulator): empty,
/// read. A missing model, maker, release or bootloader line, which every Android build sets,
/// means the listing was cut short: kUnknownMarker, unread. Root is untouched.
void ReadGetpropFields(std::string_view output, PhoneInfo& info);

/// Model, release and bootloader all hold kUnknownMarker: the listing told nothing useful.
bool IdentityUnknown(const PhoneInfo& info);

/// Sets the five property fields (not root) to kUnknownMarker and marks them unread.
void MarkPropertiesUnknown(PhoneInfo& info);
