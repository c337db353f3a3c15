// Names of the engine's files: the temporary file and its meta file beside a final path, the
// rule for acceptable file names, numbered alternatives, and the meta file's text. No I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

/// Longest file name the engine accepts, in bytes, so that "(9999)" and the temporary and meta
/// suffixes still fit the file system's 255-byte limit.
constexpr std::size_t kMaxFileName = 200;
/// Longest folder + file name the engine accepts, in bytes.
constexpr std::size_t kMaxPath = 3800;
constexpr std::string_view kTempSuffix = ".pdltmp";
constexpr std::string_view kMetaSuffix = ".pdltmp.meta";

std::string TempPathOf(std::string_view finalPath);
std::string MetaPathOf(std::string_view finalPath);

/// A name that stays inside its folder: not empty, not "." or "..", no '/' and no NUL, at
/// most kMaxFileName bytes.
bool IsValidFileName(std::string_view name);

/// "name.ext" -> "name(n).ext"; a name without an extension (or only a leading dot) gets
/// "(n)" at its end.
std::string NumberedFileName(std::string_view name, int n);

/// True when `name` is `wanted` or one of its numbered alternatives "wanted(n)", n >= 1.
bool IsNameOrNumbered(std::string_view name, std::string_view wanted);

/// What the engine keeps beside a temporary file so that a later process can resume it.
struct ResumeInfo {
    std::string url;
    std::uint64_t totalSize = 0; ///< 0 when the server did not say
    std::string validator;       ///< If-Range value: strong ETag or Last-Modified, or empty
};

/// The meta file's text: "url=", "size=" and "validator=" lines.
std::string FormatResumeInfo(const ResumeInfo& info);
/// Parses the meta text (at most kMaxMetaText bytes); nullopt when malformed.
constexpr std::size_t kMaxMetaText = 8192;
std::optional<ResumeInfo> ParseResumeInfo(std::string_view text);

} // namespace engine
