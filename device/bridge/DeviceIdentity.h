// Names and addresses of the attached phone: product model and device, USB and Wi-Fi MAC
// addresses, IMEI. Each has a process-wide cache, replaced by every forced query and read
// by non-forced ones from any thread (a reader gets the old or the new text, never a mix).
// Queries block on their adb commands (10 s limit each) and run on the caller's thread.
#pragma once

#include <string>

/// `getprop ro.product.model` when forced or nothing is cached yet. False (and the cache
/// cleared) when adb answered with an error; otherwise true with the text, line breaks removed.
bool GetModel(std::string& model, bool force);

/// As GetModel for `getprop ro.product.device`.
bool GetProductDevice(std::string& device, bool force);

/// Forced: reads /sys/class/net/usb*/address (through su when the plain shell gives nothing
/// or is refused). False with empty text when no address could be read. Non-forced: the
/// cached text and true.
bool GetUsbMac(std::string& mac, bool force);

/// Forced: the "ID = " value of `dumpsys iphonesubinfo` (through su when the plain shell gives
/// nothing or is refused). False with empty text when none. Non-forced: the cached text, true.
bool GetImei(std::string& imei, bool force);

/// Forced: reads the wlan (else eth) address, switching Wi-Fi on first when wpa_supplicant is
/// stopped and off again afterwards; true with the address, possibly empty; false when adb
/// answered with an error. Non-forced: the cached text and false.
bool GetWifiMac(std::string& mac, bool force);
