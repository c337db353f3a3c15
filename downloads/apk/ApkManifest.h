// What the program shows and installs of a package file, read from its AndroidManifest.xml.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace apk {

struct ApkManifest {
    /// The `package` of <manifest>: letters, digits and '_' in two or more dot-separated
    /// segments, each starting with a letter, at most 255 characters.
    std::string packageName;
    /// android:versionName when it is a plain string, else empty.
    std::string versionName;
    /// android:versionCode, when it is given as a number.
    std::optional<std::uint32_t> versionCode;
    /// android:label of <application> when it is a plain string (not a resource reference),
    /// else empty. Control characters are spaces here, trimmed, at most kMaxLabelChars.
    std::string label;

    /// The label, or the package name when the label is not a plain string.
    const std::string& displayName() const { return label.empty() ? packageName : label; }
    /// versionName, else the versionCode as text, else empty.
    std::string versionText() const;
};

constexpr std::size_t kMaxPackageNameChars = 255;
constexpr std::size_t kMaxLabelChars = 200;
constexpr std::size_t kMaxVersionChars = 100;

/// Whether `name` is a package name Android accepts for an app (see ApkManifest::packageName).
bool IsValidPackageName(const std::string& name);

/// `text` as a one-line display text: control characters become spaces, the ends are trimmed
/// and the rest cut to `maxChars` characters.
std::string OneLineText(const std::string& text, std::size_t maxChars);

} // namespace apk
