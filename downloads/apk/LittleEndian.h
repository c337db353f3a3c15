// Little-endian integers read from a byte span with the bounds checked: the zip records and
// Android's binary XML are both little-endian on the wire.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace apk {

using Bytes = std::span<const std::uint8_t>;

/// The 16-bit value at `offset`, or nullopt when it does not fit in `data`.
inline std::optional<std::uint16_t> ReadU16(Bytes data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 2) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

/// The 32-bit value at `offset`, or nullopt when it does not fit in `data`.
inline std::optional<std::uint32_t> ReadU32(Bytes data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 4) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(data[offset]) |
           (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

/// Whether [offset, offset + length) lies inside a buffer of `size` bytes.
inline bool FitsIn(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

} // namespace apk
