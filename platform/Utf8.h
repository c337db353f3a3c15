// The program's one UTF-8 codec: strict decoding (no overlong forms, surrogates, code points
// beyond U+10FFFF or lead bytes C0, C1, F5 to FF), encoding, and the helpers for limits the
// program counts in characters.
#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Length of the valid UTF-8 sequence at `pos` and its code point in `out`; 0 when the bytes
/// there are not one (or `pos` is past the end).
std::size_t Utf8DecodeOne(std::string_view text, std::size_t pos, char32_t& out);

/// `bytes` with each byte that does not belong to a valid sequence replaced by U+FFFD: the
/// result is always valid UTF-8.
std::string Utf8Sanitize(std::string_view bytes);

/// Code points of `text`; a stray byte stands for one U+FFFD.
std::u32string Utf8Decode(std::string_view text);

/// UTF-8 of `chars`; a value that is no code point becomes '?'.
std::string Utf8Encode(std::u32string_view chars);

/// The first `maxChars` characters of `text`, never splitting a UTF-8 sequence.
std::string Utf8Prefix(std::string_view text, std::size_t maxChars);

/// Number of characters (code points) in `text`; stray bytes count as one character each.
/// The limits count characters as Utf8Decode does.
std::size_t Utf8Length(std::string_view text);

/// ASCII-only case-insensitive comparison (INI sections and keys).
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

} // namespace platform
