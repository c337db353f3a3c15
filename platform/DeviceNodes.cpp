#include "DeviceNodes.h"

#include "ChildProcess.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace platform {
namespace {

std::string udevadmProgram() {
    const char* program = std::getenv(kUdevadmVariable);
    return program != nullptr && *program != '\0' ? std::string(program) : std::string("udevadm");
}

// Runs udevadm with `arguments` to its end, its output discarded. A missing udevadm does nothing.
void runUdevadm(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), udevadmProgram());
    ChildProcess child;
    if (child.start(arguments, false)) {
        (void)child.wait();
    }
}

} // namespace

void RescanUsbDevices() {
    runUdevadm({"trigger", "--subsystem-match=usb"});
}

void WaitForPendingDeviceEvents(std::chrono::milliseconds timeout) {
    const long long seconds = (timeout.count() + 999) / 1000;
    runUdevadm({"settle", "--timeout=" + std::to_string(seconds)});
}

} // namespace platform
