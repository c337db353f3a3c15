// Small UTF-8 helpers for limits the program counts in characters.
#pragma once

#include <string>
#include <string_view>

namespace platform {

/// The first `maxChars` characters of `text`, never splitting a UTF-8 sequence.
std::string Utf8Prefix(std::string_view text, std::size_t maxChars);

/// Number of characters (code points) in `text`; stray bytes count as one character each.
std::size_t Utf8Length(std::string_view text);

/// ASCII-only case-insensitive comparison (INI sections and keys).
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

} // namespace platform
