// Reading the phone's property record (model, maker, Android release, baseband, bootloader)
// from getprop, and probing whether the phone grants root.
#pragma once

#include "PhoneInfo.h"

#include <optional>
#include <string>

/// Fills `info` from scratch: every fact starts unread, then RereadPhoneInfo. True when every
/// fact was read. Blocks for its adb commands (5 s limit each).
bool QueryPhoneInfo(PhoneInfo& info);

/// Reads the facts `info` still marks unread and leaves the read ones as they are. The
/// properties: up to three getprop passes, the su listing first and the plain one when su is
/// refused, silent or out of time; a pass whose answer is no listing is tried again, one that
/// runs out of time or meets "error: protocol fault" ends the reading (the facts stay unread
/// for a later call). Root: the probe, once the phone has answered a listing. True when every
/// fact is read now.
bool RereadPhoneInfo(PhoneInfo& info);

/// The root probe alone: "true" or "false", empty when the phone did not answer it. Creates
/// /data/abdddgdgdgdg as the shell user and then through su, removing a folder left over
/// from an earlier probe.
std::string ProbeRoot();
