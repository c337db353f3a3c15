// `adb devices` listings as a phone's adb server may send them, and the host-protocol
// track-devices listing the socket client follows.
#include "FuzzCheck.h"

#include "device/bridge/AdbDeviceListing.h"
#include "device/bridge/AdbHostProtocol.h"
#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    if (auto entries = ParseDeviceListing(output)) {
        bool anyOnline = false;
        for (const AdbDeviceEntry& entry : *entries) {
            FUZZ_CHECK(platform::Utf8Length(entry.serial) <= 99);
            FUZZ_CHECK(entry.serial.find_first_of("\t\n") == std::string::npos);
            FUZZ_CHECK(entry.state.find('\n') == std::string::npos);
            anyOnline = anyOnline || entry.online();
        }
        // A listing with a usable phone is never reported as one without.
        FUZZ_CHECK(!anyOnline || ListingHasOnlineDevice(output));
    }
    // The followed phone is one the listing calls a device or in recovery.
    const AdbSerial tracked = SelectTrackedPhone(output);
    if (!tracked.serial.empty()) {
        const std::string line =
            tracked.serial + "\t" + (tracked.mode == AdbMode::Device ? "device" : "recovery");
        FUZZ_CHECK(output.find(line) != std::string_view::npos);
    }
    return 0;
}
