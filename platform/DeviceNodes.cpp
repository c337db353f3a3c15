#include "DeviceNodes.h"

#include "ChildProcess.h"

#include <mutex>
#include <vector>

namespace platform {
namespace {

std::mutex g_programLock;
std::string g_program; // guarded by g_programLock; empty: the system's udevadm

std::string udevadmProgram() {
    std::lock_guard guard(g_programLock);
    return g_program.empty() ? std::string("udevadm") : g_program;
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

void SetUdevadmForTesting(const std::string& program) {
    std::lock_guard guard(g_programLock);
    g_program = program;
}

} // namespace platform
