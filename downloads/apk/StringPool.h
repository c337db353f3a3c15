// The string pool chunk of Android's binary XML (ResStringPool_header): a count of strings,
// their offsets and their bytes, UTF-8 or UTF-16. Strings are decoded one at a time when asked
// for, so a pool of many strings costs nothing until one is used.
#pragma once

#include "LittleEndian.h"

#include <cstdint>
#include <optional>
#include <string>

namespace apk {

class StringPool {
public:
    /// Longest string handed out, in UTF-16 units or UTF-8 bytes; longer ones are refused.
    static constexpr std::uint32_t kMaxStringLength = 32 * 1024;

    /// Takes the whole chunk, header included; false when its header does not fit the chunk
    /// (counts, offset table and string area all inside it).
    [[nodiscard]] bool parse(Bytes chunk);

    std::uint32_t size() const { return m_count; }
    /// String `index` as UTF-8; nullopt when the index, offset or length leave the chunk or the
    /// text is not valid UTF-8 / UTF-16 (an unpaired surrogate, say).
    std::optional<std::string> at(std::uint32_t index) const;

private:
    std::optional<std::string> utf8At(std::size_t offset) const;
    std::optional<std::string> utf16At(std::size_t offset) const;

    Bytes m_chunk;
    std::uint32_t m_count = 0;
    std::size_t m_offsetsStart = 0;
    std::size_t m_stringsStart = 0;
    bool m_utf8 = false;
};

} // namespace apk
