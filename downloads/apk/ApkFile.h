// Reading a package file the user opened: only the zip's end record, its central directory and
// the AndroidManifest.xml entry are read (never more than kMaxDirectoryBytes and
// kMaxManifestBytes), inflated in memory and parsed. Nothing is written anywhere.
#pragma once

#include "ApkManifest.h"

#include <cstdint>
#include <optional>
#include <string>

namespace apk {

/// Largest central directory read (a package of tens of thousands of files fits).
constexpr std::uint32_t kMaxDirectoryBytes = 16 * 1024 * 1024;

enum class ApkReadError {
    None,
    Missing,          ///< no such file
    Unreadable,       ///< no permission, a folder, a read error
    NotAPackage,      ///< not a zip, no manifest, a manifest that is not compiled XML ...
    ManifestTooLarge, ///< the manifest is larger than kMaxManifestBytes
};

struct ApkReadResult {
    std::optional<ApkManifest> manifest;
    ApkReadError error = ApkReadError::None;
    std::uint64_t fileSize = 0;
    /// What went wrong, for the debug log; empty on success.
    std::string detail;
};

/// Reads the manifest of the package at `path`. Any thread; blocks on the file's reads.
ApkReadResult ReadApkFile(const std::string& path);

} // namespace apk
