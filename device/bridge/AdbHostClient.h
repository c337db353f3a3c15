// The two conversations the program holds with the adb server over its socket instead of
// through the adb tool: the serial of the attached phone (track-devices) and one screenshot
// (transport + framebuffer). The server is 127.0.0.1 at ANDROID_ADB_SERVER_PORT, else 5037.
#pragma once

#include "device/bridge/AdbHostProtocol.h"

#include <cstdint>
#include <string>

/// The adb server port of ANDROID_ADB_SERVER_PORT (AdbServerPortFrom); nothing when its value
/// is not a port.
std::optional<std::uint16_t> AdbServerPort();

/// The serial and mode of the attached phone, kept for the whole process and refreshed first
/// when `force` is set, the kept serial is empty or it is not the followed phone's
/// (FollowedSerial). With a followed phone only that phone is taken from the listing. A refresh
/// runs `adb devices` (10 s limit, which also starts the adb server), then reads one track-devices
/// listing; when either fails, or no phone is in state "device" or "recovery", the kept serial
/// becomes empty. Thread-safe; blocks for the refresh.
AdbSerial GetSerial(bool force);

/// Reads one frame of the phone's screen (the phone of GetSerial(false)) and writes it as
/// <program folder>/image/<serial or "kivcut">.bmp, turned by 180 degrees when `rotate`.
/// True with the file path in `path`; false when there is no phone, the server refuses,
/// the header is short or unusable (sizes 0, over 64 MiB), or the file cannot be written.
/// Pixels the server does not deliver (it closed, failed or stayed silent for 1 s) are black.
[[nodiscard]] bool CaptureFramebuffer(bool rotate, std::string& path);

/// Forgets the kept serial and mode (tests run several phones in one process).
void ResetSerialCacheForTesting();
