// Android's binary XML, as AndroidManifest.xml is stored in a package: a ResXMLTree chunk
// holding a string pool, a resource map (attribute name index -> android attribute id) and the
// element chunks. Only what the program needs is read: <manifest package versionCode
// versionName> and the label of its <application>. Parsing only; the file is read elsewhere.
#pragma once

#include "ApkManifest.h"
#include "LittleEndian.h"

#include <string>

namespace apk {

struct ManifestParseResult {
    std::optional<ApkManifest> manifest;
    /// Why there is none (for the debug log), empty on success.
    std::string error;
};

/// Parses a compiled manifest of at most kMaxManifestBytes. Every chunk, count and offset is
/// checked against the bytes given; anything that does not fit, a root element other than
/// <manifest> or a package name Android would refuse gives no manifest.
ManifestParseResult ParseAndroidManifest(Bytes data);

/// Largest compiled manifest read.
constexpr std::size_t kMaxManifestBytes = 4 * 1024 * 1024;

} // namespace apk
