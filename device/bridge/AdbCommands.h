// The adb command texts and the small helpers that build them.
#pragma once

#include <string>

inline constexpr const char* kAdbPath = "bin\\Korvash\\adb";
inline constexpr const char* kAdbDevices = "bin\\Korvash\\adb devices";
inline constexpr const char* kAdbKillServer = "bin\\Korvash\\adb kill-server";
inline constexpr const char* kAdbStartServer = "bin\\Korvash\\adb start-server";
/// Executable name of adb processes on this platform (the program's "adb.exe").
inline constexpr const char* kAdbProcessName = "adb";

/// "bin\Korvash\adb -s " + serial.
std::string AdbSerialCommand(const std::string& serial);

/// Appends one closing double quote to a command line under construction.
void AppendClosingQuote(std::string& commandLine);

/// The program folder with one trailing '/', computed on first use and kept for the process.
const std::string& NarrowProgramFolder();
