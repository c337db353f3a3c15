// The adb host protocol's replies: hexadecimal lengths, the server port setting and the frame
// buffer headers of both formats.
#include "FuzzCheck.h"

#include "device/bridge/AdbHostProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(16);
    if (auto length = ParseHexLength(text)) {
        FUZZ_CHECK(*length <= 0xFFFF);
    }
    // A setting that is not a port reaches no server, neither port 0 nor the default one.
    const std::string setting = text.c_str();
    if (auto port = AdbServerPortFrom(setting.c_str())) {
        FUZZ_CHECK(*port != 0);
        FUZZ_CHECK(setting.empty() || setting.find_first_not_of("0123456789") == std::string::npos);
    }

    const bool oldFormat = input.ConsumeBool();
    const std::vector<std::uint8_t> header = input.ConsumeRemainingBytes<std::uint8_t>();
    if (auto info = ParseFramebufferHeader(header, oldFormat)) {
        FUZZ_CHECK(info->width > 0 && info->height > 0);
        FUZZ_CHECK(info->bytesPerPixel >= 2 && info->bytesPerPixel <= 4);
        // The size the client then reads is bounded whatever the header claims.
        FUZZ_CHECK(info->byteCount() <= kMaxFramebufferBytes);
    }
    return 0;
}
