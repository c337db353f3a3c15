// Which USB devices are present: one 8-character record (vendor id, product id, upper-case
// hex) per USB device of sysfs, read from <root>/bus/usb/devices/<device>/idVendor and
// idProduct. USB interfaces ("1-1:1.0") are not devices and are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

/// Environment variable that moves the sysfs root (tests build fixture trees under it).
inline constexpr const char* kSysfsRootVariable = "PENLOW_SYSFS_ROOT";

/// At most this many devices are listed; further entries are ignored.
inline constexpr std::size_t kMaxUsbDevices = 1024;

/// One USB device: its record (VID + PID) and the serial it gives on USB, which adb uses as
/// the phone's serial (empty when the device has none or it is not usable text).
struct UsbDevice {
    std::string record;
    std::string serial;
    bool operator==(const UsbDevice&) const = default;
};

/// Longest USB serial kept (the device table keeps no more of an adb serial).
inline constexpr std::size_t kMaxUsbSerialBytes = 99;

/// $PENLOW_SYSFS_ROOT when set and not empty, else "/sys".
std::string SysfsRoot();

/// The device list of every USB device under `sysfsRoot`, in the order of the entry names. An
/// id that is missing or not 4 hex digits gives "0000". Empty when the folder cannot be read.
std::string EnumerateUsbDevices(const std::string& sysfsRoot);

/// EnumerateUsbDevices(SysfsRoot()).
std::string EnumerateUsbDevices();

/// The devices of EnumerateUsbDevices, in the same order, with the serial from each device's
/// "serial" attribute.
std::vector<UsbDevice> ListUsbDevices(const std::string& sysfsRoot);

/// The serial in a "serial" attribute text: the text without its line break; empty when it is
/// longer than kMaxUsbSerialBytes or holds control characters or blanks (adb serials do not).
std::string UsbSerialFromAttribute(std::string_view text);

/// The id in an idVendor / idProduct attribute text ("18d1\n" gives "18D1"); "0000" for any
/// text that is not 4 hex digits apart from surrounding white space.
std::string UsbIdFromAttribute(std::string_view text);

/// True for an entry name of a USB device ("usb1", "1-1.4"), false for interfaces and for
/// hidden names.
bool IsUsbDeviceEntry(std::string_view name);
