#include "InstallOutcome.h"

#include "AdbCommands.h"
#include "OutputText.h"

namespace {

constexpr std::size_t kMaxPackageNameChars = 255;

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// "device '<serial>' not found" with any serial on one line.
bool namesMissingSerial(std::string_view output) {
    constexpr std::string_view kStart = "device '";
    constexpr std::string_view kEnd = "' not found";
    for (std::size_t at = output.find(kStart); at != std::string_view::npos;
         at = output.find(kStart, at + 1)) {
        std::string_view rest = FirstLine(output.substr(at + kStart.size()));
        if (Contains(rest, kEnd)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsDeviceNotFoundText(std::string_view output) {
    if (Contains(output, "error: device not found")) {
        return true;
    }
    // adb clients since version 29 print "adb: error: failed to get feature set: device not
    // found" or name the serial; they say "no devices/emulators found" when none is attached.
    return Contains(output, "error:") &&
           (Contains(output, ": device not found") || namesMissingSerial(output) ||
            Contains(output, "no devices/emulators found"));
}

InstallCode ClassifyInstallOutput(std::string_view output) {
    if (Contains(output, "No space left on device") ||
        Contains(output, "Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]")) {
        return InstallCode::NoStorage;
    }
    if (Contains(output, "Success")) {
        return InstallCode::Installed;
    }
    if (IsDeviceNotFoundText(output)) {
        return InstallCode::Unreachable;
    }
    return InstallCode::Failed;
}

bool IsSafePackageName(std::string_view name) {
    if (name.empty() || name.size() > kMaxPackageNameChars || name.front() == '-') {
        return false;
    }
    for (char c : name) {
        if (!isNameChar(c)) {
            return false;
        }
    }
    return true;
}

std::string QuoteArgument(std::string_view argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            quoted += c;
            continue;
        }
        if (c == '"') {
            // 2n+1 backslashes before a quote give n backslashes and a literal quote.
            quoted.append(backslashes + 1, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote are doubled so it still closes the argument.
    quoted.append(backslashes, '\\');
    quoted += '"';
    return quoted;
}

std::string SerialCommandLine(std::string_view serial) {
    // An empty serial goes out as "": unquoted it would vanish and adb would take the next
    // word for the serial.
    if (!serial.empty() && serial.find_first_of(" \t\"\\") == std::string_view::npos) {
        return AdbSerialCommand(std::string(serial));
    }
    return std::string(kAdbPath) + " -s " + QuoteArgument(serial);
}
