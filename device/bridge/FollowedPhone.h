// The phone the program follows when several are attached (the device table's current slot).
// adb answers "more than one device/emulator" to a command that names no phone, so every adb
// child started by the process runners gets ANDROID_SERIAL set to this serial, which keeps
// the command texts as they are.
#pragma once

#include <string>

/// Names the followed phone; the empty text follows none (adb then picks the only phone).
/// Thread-safe.
void SetFollowedSerial(const std::string& serial);

/// The followed phone's adb serial, or the empty text. Thread-safe.
std::string FollowedSerial();
