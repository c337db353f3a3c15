#include "AdbHostProtocol.h"

#include <charconv>
#include <cstdio>

namespace {

std::uint32_t wordAt(std::span<const std::uint8_t> bytes, std::size_t index) {
    const std::uint8_t* p = bytes.data() + index * 4;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::optional<FramebufferInfo> checked(FramebufferInfo info) {
    if (info.width == 0 || info.height == 0 || info.bytesPerPixel < 2 || info.bytesPerPixel > 4) {
        return std::nullopt;
    }
    // width x height fits in 64 bits; the product with at most 4 bytes per pixel is then
    // compared before anything is allocated.
    const std::uint64_t pixels = static_cast<std::uint64_t>(info.width) * info.height;
    if (pixels > kMaxFramebufferBytes || pixels * info.bytesPerPixel > kMaxFramebufferBytes) {
        return std::nullopt;
    }
    return info;
}

std::optional<FramebufferInfo> parseOld(std::span<const std::uint8_t> header) {
    if (header.size() < kFramebufferHeaderOld) {
        return std::nullopt;
    }
    FramebufferInfo info;
    const std::uint32_t total = wordAt(header, 1);
    info.width = wordAt(header, 2);
    info.height = wordAt(header, 3);
    if (info.width == 0 || info.height == 0) {
        return std::nullopt;
    }
    info.bytesPerPixel = total / info.width / info.height;
    return checked(info);
}

} // namespace

std::optional<std::string> AdbRequest(std::string_view service) {
    if (service.size() > 0xFFFF) {
        return std::nullopt;
    }
    char prefix[5];
    std::snprintf(prefix, sizeof prefix, "%04x", static_cast<unsigned>(service.size()));
    return std::string(prefix, 4) + std::string(service);
}

std::optional<std::uint16_t> AdbServerPortFrom(const char* value) {
    if (value == nullptr || *value == '\0') {
        return kDefaultAdbServerPort;
    }
    const std::string_view text(value);
    unsigned port = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port, 10);
    if (ec != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

std::optional<std::size_t> ParseHexLength(std::string_view text) {
    std::size_t length = 0;
    if (text.size() != 4) {
        return std::nullopt;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + 4, length, 16);
    if (ec != std::errc() || end != text.data() + 4) {
        return std::nullopt;
    }
    return length;
}

AdbSerial SelectTrackedPhone(std::string_view listing, std::string_view followed) {
    std::optional<AdbSerial> recovery;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        listing = end == std::string_view::npos ? std::string_view() : listing.substr(end + 1);
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0 ||
            (!followed.empty() && line.substr(0, tab) != followed)) {
            continue;
        }
        const std::string_view state = line.substr(tab + 1);
        if (state == "device") {
            return {std::string(line.substr(0, tab)), AdbMode::Device};
        }
        if (state == "recovery" && !recovery) {
            recovery = AdbSerial{std::string(line.substr(0, tab)), AdbMode::Recovery};
        }
    }
    return recovery.value_or(AdbSerial{});
}

std::size_t CurrentHeaderSize(std::uint32_t version) {
    return version == 2 ? kFramebufferHeaderV2 : kFramebufferHeaderV1;
}

std::optional<FramebufferInfo> ParseFramebufferHeader(std::span<const std::uint8_t> header,
                                                      bool oldFormat) {
    if (oldFormat) {
        return parseOld(header);
    }
    if (header.size() < 4 || header.size() < CurrentHeaderSize(wordAt(header, 0))) {
        return std::nullopt;
    }
    // Version 2 inserts a colour-space word after the bits per pixel; every later word moves
    // up by one.
    const std::size_t shift = wordAt(header, 0) == 2 ? 1 : 0;
    FramebufferInfo info;
    info.bytesPerPixel = wordAt(header, 1) / 8;
    info.width = wordAt(header, 3 + shift);
    info.height = wordAt(header, 4 + shift);
    const std::uint32_t redOffset = wordAt(header, 5 + shift);
    const std::uint32_t blueOffset = wordAt(header, 7 + shift);
    const std::uint32_t greenOffset = wordAt(header, 9 + shift);
    info.swapRedBlue = redOffset == 0 && greenOffset == 8 && blueOffset == 16;
    return checked(info);
}

std::string ScreenshotFileName(std::string_view serial) {
    constexpr std::string_view kForbidden("/\\:*?\"<>|\0", 10);
    const bool usable = serial.find_first_of(kForbidden) == std::string_view::npos;
    return (usable ? std::string(serial) : std::string("kivcut")) + ".bmp";
}
