// Asking the system to look at its USB devices again after a driver package was installed, and
// waiting for the device events that causes: `udevadm trigger` and `udevadm settle`. A system
// without udevadm (a container, a minimal install) skips both silently.
#pragma once

#include <chrono>

namespace platform {

/// Replays the events of the USB devices (`udevadm trigger --subsystem-match=usb`) so that rules
/// installed since they were plugged apply to them. Waits for udevadm to end; failures ignored.
void RescanUsbDevices();

/// Waits for the system's device event queue to drain (`udevadm settle --timeout=N`, N being
/// `timeout` rounded up to whole seconds). Failures ignored.
void WaitForPendingDeviceEvents(std::chrono::milliseconds timeout);

/// The environment variable naming the program run in place of "udevadm" (tests: a recording
/// stand-in, so that the host's devices are never touched).
inline constexpr const char* kUdevadmVariable = "PENLOW_UDEVADM";

} // namespace platform
