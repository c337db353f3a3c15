// The adb command texts and the small helpers that build them.
#pragma once

#include <string>

inline constexpr const char* kAdbPath = "bin\\Korvash\\adb";
inline constexpr const char* kAdbDevices = "bin\\Korvash\\adb devices";
inline constexpr const char* kAdbKillServer = "bin\\Korvash\\adb kill-server";
inline constexpr const char* kAdbStartServer = "bin\\Korvash\\adb start-server";
/// Executable name of adb processes on this platform (the program's "adb.exe").
inline constexpr const char* kAdbProcessName = "adb";

/// The name the program's kill-by-name of adb uses: kAdbProcessName unless a test named a
/// stand-in of its own, so that no test ends an adb server it did not start. Thread-safe.
std::string AdbProcessName();
void SetAdbProcessNameForTesting(const std::string& name);

/// "bin\Korvash\adb -s " + serial.
std::string AdbSerialCommand(const std::string& serial);

/// Appends one closing double quote to a command line under construction.
void AppendClosingQuote(std::string& commandLine);

/// The program folder with one trailing '/', as `GetModuleFolder` answers now.
std::string NarrowProgramFolder();
