// Reading the phone's property record (model, maker, Android release, baseband, bootloader)
// from getprop, and probing whether the phone grants root.
#pragma once

#include "PhoneInfo.h"

/// Fills `info` (which starts empty): up to three getprop passes, the su listing first and
/// the plain one when su is refused or silent; then the root probe once the listing named the
/// model, release or bootloader (or gave nothing at all). "error: protocol fault" from the su
/// listing ends the query at once with unknown fields. Returns true when the root probe ran
/// or when model, release and bootloader all hold kUnknownMarker. Blocks for its adb
/// commands (5 s limit each).
bool QueryPhoneInfo(PhoneInfo& info);

/// The root probe alone: "true" or "false". Creates /data/abdddgdgdgdg as the shell user and
/// then through su, removing a folder left over from an earlier probe.
std::string ProbeRoot();
