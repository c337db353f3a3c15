// Opening web addresses with the desktop's default handler (the shell's "open" verb).
#pragma once

#include <string>
#include <string_view>

/// Hands `url` to the default handler. The result is ignored, as the program does everywhere.
void ShellOpen(const std::string& url);

/// Reads `key` of `section` of data/Config.ini (127 characters at most) and opens it; an
/// empty value is handed over as it is.
void OpenConfigLink(std::string_view section, std::string_view key);
