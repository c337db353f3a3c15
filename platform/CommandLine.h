// Splitting a command line into argv with the rules of the Windows C runtime, so that
// command texts such as  bin\Korvash\adb shell su -c "getprop"  keep their meaning.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// Splits `line` the way the Windows C runtime builds argv: blanks separate arguments,
/// double quotes group, 2n backslashes before a quote give n backslashes and toggle quoting,
/// 2n+1 give n backslashes and a literal quote, other backslashes are literal, and "" inside
/// quotes gives a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view line);

/// argv for running `line` here: split as above, and the program's backslash path
/// (bin\Korvash\adb) turned into the platform's (bin/Korvash/adb).
std::vector<std::string> CommandLineToArgv(std::string_view line);

} // namespace platform
