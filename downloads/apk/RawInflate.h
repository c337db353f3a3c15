// A zip entry's deflated bytes inflated in memory (zlib, raw deflate), with the size known
// beforehand as the bound: more output than that is an error, never a larger buffer.
#pragma once

#include "LittleEndian.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace apk {

/// The inflated bytes, exactly `size` of them; nullopt when the stream is not raw deflate,
/// ends early, or would give more than `size` bytes.
std::optional<std::vector<std::uint8_t>> RawInflate(Bytes deflated, std::size_t size);

/// The CRC-32 of `data`, as zip records it.
std::uint32_t ZipCrc32(Bytes data);

} // namespace apk
