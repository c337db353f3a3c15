// INI text as lines: finding a value and setting one, without any file I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// The trimmed value of `key` in `section` (first match, ASCII case-insensitive names), with
/// one pair of enclosing quotes removed; nothing when the section or key is absent.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

/// `text` with `key` of `section` set to `value`: the first matching key line is replaced,
/// else the key is appended to the first matching section, else a new section is appended.
/// Every other line is kept byte for byte.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace platform
