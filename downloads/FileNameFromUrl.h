// The file name a new download gets from its URL.
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// The name a download of `url` is saved under: the text after the last '/', the base cut to
/// 24 characters and followed by the extension (the last '.' and up to 3 characters), the query
/// left out as far as the rule allows. nullopt when the URL has no '/'.
///
/// The name never leaves its folder: '/', '\\' and control characters become '_', a name made
/// only of dots becomes underscores, and an empty name becomes "download".
std::optional<std::string> FileNameFromUrl(std::string_view url);
