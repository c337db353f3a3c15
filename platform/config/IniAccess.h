// One key, or a list of keys of one section, of an INI file (used for the updater's file).
#pragma once

#include <string>
#include <vector>

/// Reads (`read` true) or writes one key. False when section, file or key is empty. Reading:
/// false when the file does not exist, else true when at least one character was read
/// (value cut to 127 characters). Writing: the write's result.
[[nodiscard]] bool IniAccessKey(bool read, const std::string& section, const std::string& file,
                                const std::string& key, std::string& value);

/// The same for `keys` in list order, `values` receiving or giving the values (resized to the
/// key count when reading). False when `keys` is null; when reading, false when the file
/// does not exist; otherwise true whatever the individual keys gave.
[[nodiscard]] bool IniAccessKeys(bool read, const std::string& section, const std::string& file,
                                 const std::vector<std::string>* keys,
                                 std::vector<std::string>& values);
