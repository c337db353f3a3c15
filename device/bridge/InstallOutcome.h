// Classifying what `adb install` printed, and the checks on the texts an install command
// line is built from. No I/O.
#pragma once

#include <string>
#include <string_view>

/// Result codes of a package install.
enum class InstallCode : int {
    NoStorage = 1, ///< not enough storage on the phone
    Installed = 2,
    Unreachable = 3, ///< adb could not find the phone
    Failed = 4,      ///< anything else: bad or incompatible package, adb error
};

/// Tests, in this order: "No space left on device" or
/// "Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]" (NoStorage), "Success" (Installed), adb's
/// missing-device text (Unreachable), else Failed.
InstallCode ClassifyInstallOutput(std::string_view output);

/// adb's answer for a phone it cannot find: "error: device not found", and the forms of
/// current clients ("device '<serial>' not found", "no devices/emulators found").
bool IsDeviceNotFoundText(std::string_view output);

/// A name `pm uninstall` may be given: letters, digits, '.', '_' and '-' only (the phone's
/// shell interprets the command line, so nothing else may reach it).
bool IsSafePackageName(std::string_view name);

/// AdbSerialCommand(serial) for ordinary serials; a serial with blanks, quotes or backslashes
/// (it comes from the phone), and the empty serial, is quoted so that it stays one argument.
std::string SerialCommandLine(std::string_view serial);

/// `argument` in double quotes for a command line split by the Windows C runtime rules:
/// ordinary text comes out as "text"; embedded quotes and the backslashes before them are
/// escaped so the argument cannot end early.
std::string QuoteArgument(std::string_view argument);
