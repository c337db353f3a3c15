// data/Config.ini: every section and key the program reads or writes, and the reads with
// the 128-character buffer. Reads are safe from any thread while the UI thread writes.
#pragma once

#include <string>
#include <string_view>

namespace config {

inline constexpr std::string_view kApplication = "Application";
inline constexpr std::string_view kUser = "User";
inline constexpr std::string_view kWebService = "WebService";
inline constexpr std::string_view kLink = "LINK";

inline constexpr std::string_view kDisuser = "disuser";
inline constexpr std::string_view kAppName = "appname";
inline constexpr std::string_view kCompany = "company";
inline constexpr std::string_view kWebsite = "website";
inline constexpr std::string_view kVersion = "version";
inline constexpr std::string_view kUserName = "name";
inline constexpr std::string_view kUserWord = "word";
inline constexpr std::string_view kHost = "host";
inline constexpr std::string_view kPort = "port";

inline constexpr std::string_view kLinkChangeLog = "更新日志";
inline constexpr std::string_view kLinkHelp = "帮助说明";
inline constexpr std::string_view kLinkFeedback = "用户反馈";
inline constexpr std::string_view kLinkUnrecognised = "设备无法识别";
inline constexpr std::string_view kLinkUsbDebugging = "如何打开USB调试模式";
inline constexpr std::string_view kLinkMoreWays = "查看更多方法";

/// The value "disuser" that skips the login dialog (exact, case-sensitive).
inline constexpr std::string_view kDisuserValue = "disuser";

/// Path of data/Config.ini in the program folder.
std::string ConfigPath();

/// Reads a key; empty when missing or empty ("missing"). At most 127 characters.
std::string Read(std::string_view section, std::string_view key);

/// Reads a key and, when it is missing, writes it back empty so that the file lists it.
std::string ReadOrCreateEmpty(std::string_view section, std::string_view key);

/// Writes a key (creating file, section and key). Returns the write's result.
[[nodiscard]] bool Write(std::string_view section, std::string_view key, std::string_view value);

} // namespace config
