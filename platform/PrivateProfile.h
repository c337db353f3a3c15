// Private-profile (INI) files with the semantics the program relies on: case-insensitive
// sections and keys, trimmed values, reads cut to a 128-character buffer, writes that create
// the file, section and key, and nothing ever deleted. Files are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Characters a read can return: a 128-character buffer holds 127 characters and the NUL.
inline constexpr std::size_t kProfileReadChars = 127;

/// Reads `key` of `section` from `path`. Returns `fallback` when the file, section or key is
/// missing. The value is trimmed of blanks and cut to at most `maxChars` characters without
/// splitting a UTF-8 sequence. A value enclosed in matching quotes loses the quotes.
/// Thread-safe: any number of readers may run while one thread writes the same file.
std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view fallback, const std::string& path,
                             std::size_t maxChars = kProfileReadChars);

/// Writes `value` under `key` of `section`, creating the file, the section and the key as
/// needed. The file is replaced atomically so that a concurrent reader sees the old or the
/// new content, never a mixture. Returns false when the file cannot be written.
[[nodiscard]] bool WriteProfileString(std::string_view section, std::string_view key,
                                      std::string_view value, const std::string& path);

} // namespace platform
