// Reading MAC addresses and the IMEI out of shell output. No I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// The plain shell could not give an answer the su shell might: nothing came back, or the
/// file or service is closed to the shell user ("Permission denied", "Permission Denial").
bool NeedsRootRetry(std::string_view plainOutput);

/// The address printed by `cat /sys/class/net/<if>/address`: its first line, when the output
/// is not empty and is no su, missing-file or permission complaint or adb error.
std::optional<std::string> MacFromOutput(std::string_view output);

/// The value after "ID = " in `dumpsys iphonesubinfo` output, to the end of that line;
/// nothing when the output is empty, an su complaint, or has no "ID = ".
std::optional<std::string> ImeiFromDumpsys(std::string_view output);
