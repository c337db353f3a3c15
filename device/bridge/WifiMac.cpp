// The Wi-Fi MAC address: the wlan interface's address exists only while Wi-Fi is on, so a
// stopped wpa_supplicant is started for the read and stopped again afterwards.
#include "DeviceIdentity.h"

#include "CachedText.h"
#include "IdentityParsers.h"
#include "OutputText.h"
#include "ProcessRunner.h"

#include <chrono>
#include <optional>
#include <thread>

namespace {

constexpr int kLimitSeconds = 10;
constexpr int kSupplicantChecks = 4;
constexpr auto kAfterEnable = std::chrono::milliseconds(100);

CachedText g_wifiMac;

enum class WifiState { Ready, SwitchedOn, AdbError };

// Checks wpa_supplicant up to four times, switching Wi-Fi on while it reports "stopped".
WifiState bringWifiUp() {
    WifiState state = WifiState::Ready;
    for (int check = 0; check < kSupplicantChecks; ++check) {
        std::string output = RunAdbShell("getprop init.svc.wpa_supplicant", false, kLimitSeconds);
        if (!Contains(output, "stopped")) {
            return Contains(output, "error") ? WifiState::AdbError : state;
        }
        state = WifiState::SwitchedOn;
        (void)RunAdbShell("svc wifi enable", false, kLimitSeconds);
        std::this_thread::sleep_for(kAfterEnable);
    }
    return state;
}

std::optional<std::string> readAddress(const char* command) {
    std::string output = RunAdbShell(command, false, kLimitSeconds);
    if (NeedsRootRetry(output)) {
        output = RunAdbSuShell(command, kLimitSeconds);
    }
    return MacFromOutput(output);
}

} // namespace

bool GetWifiMac(std::string& mac, bool force) {
    if (!force) {
        mac = g_wifiMac.load();
        return false;
    }
    WifiState state = bringWifiUp();
    if (state == WifiState::AdbError) {
        g_wifiMac.clear();
        mac.clear();
        return false;
    }
    std::optional<std::string> address = readAddress("cat /sys/class/net/wlan*/address");
    if (!address) {
        address = readAddress("cat /sys/class/net/eth*/address");
    }
    if (state == WifiState::SwitchedOn) {
        (void)RunAdbShell("svc wifi disable", false, kLimitSeconds);
    }
    mac = RemoveLineBreaks(address.value_or(std::string()));
    g_wifiMac.store(mac);
    return true;
}
