// MD5 digests of downloaded files, as the driver job checks its packages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// 32 lower-case hexadecimal digits of the MD5 of the file's bytes; nothing when it cannot be
/// read to its end.
std::optional<std::string> FileMd5Hex(const std::string& path);

/// True when two hexadecimal digests are the same text, letter case ignored.
bool SameDigest(std::string_view actual, std::string_view expected);
