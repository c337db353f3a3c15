// Text helpers of the web-service calls: header values, XML tag values found by plain text
// search, percent-encoding of form values, decimal prefixes, and the escaping of values put
// into XML request bodies. Pure functions, no I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace webservices {

/// Longest output of PercentEncode, in characters.
inline constexpr std::size_t kPercentEncodeMaxChars = 255;

/// The text after the first occurrence of `key` up to, not including, the next CR LF.
/// Leading blanks are kept (" 123" for "Content-Length: 123"). Nothing when the key or the
/// CR LF after it is missing.
std::optional<std::string> HeaderValue(std::string_view header, std::string_view key);

/// The text between the first "<name>" and the first "</name>" of `text` (both searched from
/// the start; empty when the closing tag comes first). Nothing when either tag is missing.
/// No XML parsing: entities stay as they are and a tag written with attributes or a
/// namespace prefix is not found.
std::optional<std::string> XmlTagValue(std::string_view text, std::string_view name);

/// Form encoding of bytes: ASCII letters, digits, '-', '.', '~' are copied, a blank becomes
/// '+', any other byte "%XX" (upper-case hex). Stops at the first NUL and at 255 output
/// characters, never emitting a partial "%XX".
std::string PercentEncode(std::string_view bytes);

/// The bytes up to the first NUL as UTF-8 text; invalid sequences become U+FFFD so the result
/// is always valid UTF-8.
std::string Utf8ToText(std::string_view bytes);

/// The C runtime's text-to-integer reading: leading blanks, an optional sign, then the
/// leading decimal digits; no digits gives 0. Saturates instead of overflowing.
long long DecimalPrefix(std::string_view text);

/// Escapes '&', '<' and '>' so a value cannot end or add an element of an XML body. Plain
/// ASCII without these characters is returned byte for byte.
std::string XmlEscape(std::string_view value);

/// The longest prefix of `text` of at most `maxBytes` bytes that does not split a UTF-8
/// sequence.
std::string Utf8BytePrefix(std::string_view text, std::size_t maxBytes);

/// True when `text` contains `part`.
inline bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace webservices
