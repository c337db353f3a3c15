#include "StringPool.h"

#include "platform/Utf8.h"

namespace apk {

namespace {

constexpr std::size_t kPoolHeaderSize = 28;
constexpr std::uint32_t kUtf8Flag = 1u << 8;

/// A UTF-8 pool length: one byte, or two when the first has its high bit set.
std::optional<std::uint32_t> Utf8PoolLength(Bytes data, std::size_t& offset) {
    if (offset >= data.size()) {
        return std::nullopt;
    }
    std::uint32_t length = data[offset++];
    if ((length & 0x80) != 0) {
        if (offset >= data.size()) {
            return std::nullopt;
        }
        length = ((length & 0x7F) << 8) | data[offset++];
    }
    return length;
}

} // namespace

bool StringPool::parse(Bytes chunk) {
    const auto headerSize = ReadU16(chunk, 2);
    const auto count = ReadU32(chunk, 8);
    const auto styleCount = ReadU32(chunk, 12);
    const auto flags = ReadU32(chunk, 16);
    const auto stringsStart = ReadU32(chunk, 20);
    if (!headerSize || !count || !styleCount || !flags || !stringsStart ||
        *headerSize < kPoolHeaderSize || *headerSize > chunk.size()) {
        return false;
    }
    // Offsets of the strings and of the styles follow the header.
    const std::uint64_t tableBytes = (std::uint64_t{*count} + *styleCount) * 4;
    if (!FitsIn(*headerSize, tableBytes, chunk.size())) {
        return false;
    }
    if (*count > 0 && *stringsStart >= chunk.size()) {
        return false;
    }
    m_chunk = chunk;
    m_count = *count;
    m_offsetsStart = *headerSize;
    m_stringsStart = *stringsStart;
    m_utf8 = (*flags & kUtf8Flag) != 0;
    return true;
}

std::optional<std::string> StringPool::at(std::uint32_t index) const {
    if (index >= m_count) {
        return std::nullopt;
    }
    const auto offset = ReadU32(m_chunk, m_offsetsStart + std::size_t{index} * 4);
    if (!offset || !FitsIn(m_stringsStart, *offset, m_chunk.size())) {
        return std::nullopt;
    }
    const std::size_t start = m_stringsStart + *offset;
    return m_utf8 ? utf8At(start) : utf16At(start);
}

std::optional<std::string> StringPool::utf8At(std::size_t offset) const {
    // The length in UTF-16 units comes first, then the length in bytes.
    if (!Utf8PoolLength(m_chunk, offset)) {
        return std::nullopt;
    }
    const auto bytes = Utf8PoolLength(m_chunk, offset);
    if (!bytes || *bytes > kMaxStringLength || !FitsIn(offset, *bytes, m_chunk.size())) {
        return std::nullopt;
    }
    std::string text(reinterpret_cast<const char*>(m_chunk.data() + offset), *bytes);
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t ignored = 0;
        const std::size_t length = platform::Utf8DecodeOne(text, pos, ignored);
        if (length == 0) {
            return std::nullopt;
        }
        pos += length;
    }
    return text;
}

std::optional<std::string> StringPool::utf16At(std::size_t offset) const {
    auto units = ReadU16(m_chunk, offset);
    if (!units) {
        return std::nullopt;
    }
    std::uint32_t length = *units;
    offset += 2;
    if ((length & 0x8000) != 0) {
        const auto low = ReadU16(m_chunk, offset);
        if (!low) {
            return std::nullopt;
        }
        length = ((length & 0x7FFF) << 16) | *low;
        offset += 2;
    }
    if (length > kMaxStringLength || !FitsIn(offset, std::uint64_t{length} * 2, m_chunk.size())) {
        return std::nullopt;
    }
    std::u32string chars;
    chars.reserve(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        const char32_t unit = *ReadU16(m_chunk, offset + std::size_t{i} * 2);
        if (unit < 0xD800 || unit > 0xDFFF) {
            chars.push_back(unit);
            continue;
        }
        // A high surrogate must be followed by a low one; anything else is not text.
        if (unit > 0xDBFF || i + 1 >= length) {
            return std::nullopt;
        }
        const char32_t low = *ReadU16(m_chunk, offset + std::size_t{i + 1} * 2);
        if (low < 0xDC00 || low > 0xDFFF) {
            return std::nullopt;
        }
        chars.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
    }
    return platform::Utf8Encode(chars);
}

} // namespace apk
