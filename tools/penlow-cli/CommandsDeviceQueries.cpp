// penlow-cli commands of the phone queries: the property record, names and addresses,
// battery, free space and package install, each against the attached phone.
#include "CliRegistry.h"

#include "device/bridge/BatteryQuery.h"
#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/InstallPackage.h"
#include "device/bridge/QueryPhoneInfo.h"
#include "device/bridge/StorageQuery.h"

#include <cinttypes>
#include <cstdio>
#include <string>

namespace {

void printLine(const std::string& text) {
    std::printf("%s\n", text.c_str());
}

int phoneInfo(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("phone-info");
    }
    PhoneInfo info;
    bool done = QueryPhoneInfo(info);
    for (const std::string* field : {&info.model, &info.manufacturer, &info.release, &info.baseband,
                                     &info.bootloader, &info.root}) {
        printLine(*field);
    }
    return done ? 0 : 1;
}

// model, device, usb-mac, wifi-mac, imei: one forced query, its text on one line.
template <bool (*Query)(std::string&, bool)> int forcedText(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("model | device | usb-mac | wifi-mac | imei");
    }
    std::string text;
    bool ok = Query(text, true);
    printLine(text);
    return ok ? 0 : 1;
}

int battery(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("battery");
    }
    std::string level;
    bool ok = QueryBattery(level);
    // The phone's text may end in a line break; print the level alone.
    std::size_t end = level.find_first_of("\r\n");
    printLine(level.substr(0, end));
    return ok ? 0 : 1;
}

int storage(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("storage");
    }
    std::int64_t sdcard = 0;
    std::int64_t data = 0;
    bool ok = QueryStorage(sdcard, data);
    std::printf("%" PRId64 "\n%" PRId64 "\n", sdcard, data);
    return ok ? 0 : 1;
}

int install(const CliArgs& args) {
    if (args.size() != 3) {
        return CliUsageError("install PACKAGE SERIAL FILE");
    }
    InstallResult result = InstallPackage(args[0], args[1], args[2]);
    std::printf("%d\n%s\n", static_cast<int>(result.code), result.uninstalled ? "true" : "false");
    std::fwrite(result.output.data(), 1, result.output.size(), stdout);
    return result.code == InstallCode::Installed ? 0 : 1;
}

const CliRegistration kPhoneInfo{
    "phone-info", "phone-info",
    "model, manufacturer, Android release, baseband, bootloader and root, one per line", phoneInfo,
    CliPhone::Follow};
const CliRegistration kModel{"model", "model", "the product model (getprop)", forcedText<GetModel>,
                             CliPhone::Follow};
const CliRegistration kDevice{"device", "device", "the product device name (getprop)",
                              forcedText<GetProductDevice>, CliPhone::Follow};
const CliRegistration kUsbMac{"usb-mac", "usb-mac", "the USB network interface's MAC address",
                              forcedText<GetUsbMac>, CliPhone::Follow};
const CliRegistration kWifiMac{"wifi-mac", "wifi-mac",
                               "the Wi-Fi MAC address (switching Wi-Fi on for the read)",
                               forcedText<GetWifiMac>, CliPhone::Follow};
const CliRegistration kImei{"imei", "imei", "the IMEI (dumpsys iphonesubinfo)", forcedText<GetImei>,
                            CliPhone::Follow};
const CliRegistration kBattery{"battery", "battery", "the battery level, or 未知", battery,
                               CliPhone::Follow};
const CliRegistration kStorage{"storage", "storage",
                               "free megabytes of the SD card, then of the data partition", storage,
                               CliPhone::Follow};
const CliRegistration kInstall{
    "install", "install PACKAGE SERIAL FILE",
    "installs FILE on the phone SERIAL: result code, uninstalled flag, then adb's output", install};

} // namespace
