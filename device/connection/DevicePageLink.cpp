// The default judgement of the followed phone's adb state.
#include "DevicePageLink.h"

#include "device/bridge/FollowedPhone.h"

#include <algorithm>

bool DevicePageLink::followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const {
    if (!PhoneFollowed()) {
        return false;
    }
    const std::string serial = FollowedSerial();
    return std::any_of(listing.begin(), listing.end(), [&](const AdbDeviceEntry& entry) {
        return entry.online() && (serial.empty() || entry.serial == serial);
    });
}
