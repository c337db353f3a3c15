#include "DeviceIdentity.h"

#include "CachedText.h"
#include "IdentityParsers.h"
#include "OutputText.h"
#include "ProcessRunner.h"

#include <optional>

namespace {

constexpr int kLimitSeconds = 10;

CachedText g_model;
CachedText g_device;
CachedText g_usbMac;
CachedText g_imei;

bool readProperty(const char* command, CachedText& cache, std::string& value, bool force) {
    if (!force) {
        value = cache.load();
        if (!value.empty()) {
            return true;
        }
    }
    std::string output = RunAdbShell(command, false, kLimitSeconds);
    if (Contains(output, "error")) {
        cache.clear();
        value.clear();
        return false;
    }
    value = RemoveLineBreaks(output);
    cache.store(value);
    return true;
}

// The plain command, then the su form when the plain shell gave nothing or was refused;
// nothing when adb itself reported an error.
std::optional<std::string> runWithRootRetry(const char* command) {
    std::string output = RunAdbShell(command, false, kLimitSeconds);
    if (Contains(output, "error")) {
        return std::nullopt;
    }
    if (NeedsRootRetry(output)) {
        output = RunAdbSuShell(command, kLimitSeconds);
    }
    return output;
}

bool storeOrClear(const std::optional<std::string>& parsed, CachedText& cache, std::string& value) {
    if (!parsed) {
        cache.clear();
        value.clear();
        return false;
    }
    value = RemoveLineBreaks(*parsed);
    cache.store(value);
    return true;
}

} // namespace

bool GetModel(std::string& model, bool force) {
    return readProperty("getprop ro.product.model", g_model, model, force);
}

bool GetProductDevice(std::string& device, bool force) {
    return readProperty("getprop ro.product.device", g_device, device, force);
}

bool GetUsbMac(std::string& mac, bool force) {
    if (!force) {
        mac = g_usbMac.load();
        return true;
    }
    std::optional<std::string> output = runWithRootRetry("cat /sys/class/net/usb*/address");
    return storeOrClear(output ? MacFromOutput(*output) : std::nullopt, g_usbMac, mac);
}

bool GetImei(std::string& imei, bool force) {
    if (!force) {
        imei = g_imei.load();
        return true;
    }
    std::optional<std::string> output = runWithRootRetry("dumpsys iphonesubinfo");
    return storeOrClear(output ? ImeiFromDumpsys(*output) : std::nullopt, g_imei, imei);
}
