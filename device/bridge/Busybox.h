// Running a busybox applet on the phone, pushing the program's own busybox there first when
// the phone has none that works.
#pragma once

#include <string>
#include <string_view>

/// Where busybox lives on the phone.
inline constexpr const char* kPhoneBusybox = "/data/local/tmp/busybox";

/// Runs "/data/local/tmp/busybox <arguments>" on the phone (5 s limit per adb command). When
/// that fails, pushes bin/Korvash/busybox from the program folder (through su first, the
/// plain shell when su is missing or refused; clearing /data/local/tmp once when the push
/// reports "No space") and runs it again; at most two attempts. Without bin/Korvash/busybox in
/// the program folder nothing is pushed: a failed first run gives the empty text at once. The
/// applet's output, or the empty text.
std::string RunBusybox(const std::string& arguments);

/// The first run of an attempt worked: output, and none of "not found",
/// "No such file or directory", "error", "failed", "permission".
bool BusyboxFirstRunSucceeded(std::string_view output);

/// The run after installing worked: output, and none of "not found", "error", "failed",
/// "permission".
bool BusyboxRunSucceeded(std::string_view output);
