// Reading the phone's property record out of the full `getprop` listing
// ("[key]: [value]" lines). No I/O.
#pragma once

#include "PhoneInfo.h"

#include <string_view>

/// Fills model, manufacturer, release, baseband and bootloader from `output`. A field whose
/// line is missing, or whose value contains "unknown", gets kUnknownMarker. Root is untouched.
void ReadGetpropFields(std::string_view output, PhoneInfo& info);

/// Model, release and bootloader all hold kUnknownMarker: the listing told nothing useful.
bool IdentityUnknown(const PhoneInfo& info);

/// Sets the five property fields (not root) to kUnknownMarker.
void MarkPropertiesUnknown(PhoneInfo& info);
