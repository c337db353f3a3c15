// The adb host protocol as the program speaks it over the adb server socket: request framing,
// the track-devices answer, the frame-buffer header formats and the screenshot file name.
// Pure functions, no I/O (AdbHostClient does the talking).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::uint16_t kDefaultAdbServerPort = 5037;
/// Largest frame the program accepts from a server (width x height x bytes per pixel).
inline constexpr std::uint64_t kMaxFramebufferBytes = 64ull * 1024 * 1024;
/// Frame-buffer header sizes: version 1, version 2 (with a colour-space word), old format.
inline constexpr std::size_t kFramebufferHeaderV1 = 52;
inline constexpr std::size_t kFramebufferHeaderV2 = 56;
inline constexpr std::size_t kFramebufferHeaderOld = 16;

/// How adb lists the phone: 0 normal ("device"), 1 recovery.
enum class AdbMode { Device = 0, Recovery = 1 };

struct AdbSerial {
    std::string serial; ///< empty when no phone is usable
    AdbMode mode = AdbMode::Device;
};

/// Service text with its 4-hex-digit length prefix ("0012host:track-devices"); nothing when
/// the service is longer than 0xFFFF bytes.
std::optional<std::string> AdbRequest(std::string_view service);

/// The port from an ANDROID_ADB_SERVER_PORT value: 5037 when unset or empty, the value when
/// it is a decimal 1..65535, and nothing for any other value, which the adb tool refuses too:
/// the program then talks to no server rather than to one the user did not choose.
std::optional<std::uint16_t> AdbServerPortFrom(const char* value);

/// A 4-hex-digit length ("001a"); nothing unless exactly four hex digits.
std::optional<std::size_t> ParseHexLength(std::string_view text);

/// The phone to use from a track-devices listing (lines "serial<TAB>state\n"): the first one
/// in state "device" (mode 0), else the first in "recovery" (mode 1), else an empty serial.
/// With a `followed` serial only that phone's line counts.
AdbSerial SelectTrackedPhone(std::string_view listing, std::string_view followed = {});

/// What a frame-buffer header says about the pixels that follow it.
struct FramebufferInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bytesPerPixel = 0;
    bool swapRedBlue = false; ///< pixels are R, G, B[, A], not B, G, R[, A] as BMP files hold
    std::size_t byteCount() const {
        return static_cast<std::size_t>(width) * height * bytesPerPixel;
    }
};

/// Header size of a current-format frame from its first word (version 2: 56, else 52).
std::size_t CurrentHeaderSize(std::uint32_t version);

/// Parses a current-format header (version 1 or 2, at least CurrentHeaderSize bytes) or an
/// old-format header (16 bytes: unused, total size, width, height). Nothing when the header
/// is short, a size is 0, bytes per pixel is not 2, 3 or 4, or the frame would exceed
/// kMaxFramebufferBytes.
std::optional<FramebufferInfo> ParseFramebufferHeader(std::span<const std::uint8_t> header,
                                                      bool oldFormat);

/// The serial, or "kivcut" when it holds one of / \ : * ? " < > | (or a NUL), plus ".bmp".
std::string ScreenshotFileName(std::string_view serial);
