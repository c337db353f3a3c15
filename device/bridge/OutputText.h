// Small helpers for reading what adb and the phone's shell print: substring tests, the text
// between two markers, line-break removal, a bounded string-to-integer conversion, and
// character-indexed views for the parsers that work with fixed character offsets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Case-sensitive substring test.
bool Contains(std::string_view text, std::string_view needle);

/// The text between the first `start` marker and the next `end` marker after it (possibly
/// empty); nothing when either marker is missing.
std::optional<std::string> Between(std::string_view text, std::string_view start,
                                   std::string_view end);

/// `text` without any '\n' and '\r'.
std::string RemoveLineBreaks(std::string_view text);

/// The first line of `text` (up to the first '\r' or '\n').
std::string_view FirstLine(std::string_view text);

/// String-to-integer conversion in the manner of the C runtime: leading blanks, an optional
/// sign, then digits up to the first non-digit; 0 when there are none. Saturates instead of
/// overflowing. `digits`, when given, receives the number of digits read.
std::int64_t TextToInt(std::string_view text, std::size_t* digits = nullptr);

/// The text as a sequence of characters (code points); a byte that is not part of a valid
/// UTF-8 sequence counts as one character of its own.
std::u32string DecodeChars(std::string_view text);

/// UTF-8 text of `chars` (characters out of range become '?').
std::string EncodeChars(std::u32string_view chars);

/// `count` characters of `chars` from `start`: a negative start counts from 0, a count beyond
/// the end is shortened, a start beyond the end gives the empty text.
std::u32string_view CharExcerpt(std::u32string_view chars, std::int64_t start, std::int64_t count);

/// Character position of the first `needle` in `chars`, or nothing.
std::optional<std::size_t> FindChars(std::u32string_view chars, std::u32string_view needle);
