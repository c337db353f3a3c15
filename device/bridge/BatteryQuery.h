// The phone's battery level, read from the power-supply capacity file.
#pragma once

#include <string>

/// Up to four passes reading /sys/class/power_supply/battery/capacity: through su first,
/// plainly once su is missing or refused; from the third pass on, a failed read looks for
/// another "capacity" file (find through su, else busybox find) and reads that one instead.
/// True with `level` holding the phone's text (e.g. "85\r\n"); false after four passes, with
/// `level` set to kUnknownMarker when an answer came that was no level, else unchanged.
/// Blocks for its adb commands (10 s limit for reads, 5 s for the search).
bool QueryBattery(std::string& level);
