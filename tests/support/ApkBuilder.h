// Small package files for tests, written the way the Android build tools write them: a
// compiled AndroidManifest.xml (string pool in UTF-8 or UTF-16, resource map, namespace and
// element chunks) inside a zip archive, stored or deflated.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct XmlAttribute {
    enum class Kind { String, Int, Reference };
    bool android = true;          ///< in the android namespace, with its attribute id
    std::string name;             ///< as written in the string pool
    std::uint32_t resourceId = 0; ///< android.R.attr id, 0 for none
    Kind kind = Kind::String;
    std::string text;        ///< for Kind::String
    std::uint32_t value = 0; ///< for Kind::Int and Kind::Reference
};

struct XmlElement {
    std::string name;
    std::vector<XmlAttribute> attributes;
    std::vector<XmlElement> children;
};

/// The compiled XML of `root`; `utf8` picks the string pool's encoding.
std::string CompileXml(const XmlElement& root, bool utf8 = true);

struct ManifestFields {
    std::string package = "com.example.hello";
    std::string versionName = "1.2.3";
    std::uint32_t versionCode = 42;
    std::string label = "Hello";
    bool labelIsReference = false; ///< android:label="@string/app_name" (0x7f0a0001)
    std::size_t codeBytes = 200;   ///< size of the classes.dex beside the manifest
};

/// <manifest package versionCode versionName><uses-sdk/><application label><activity/>
/// </application></manifest>
XmlElement ManifestElement(const ManifestFields& fields);

/// A zip archive of `entries` (name, content), each stored or deflated.
std::string BuildZip(const std::vector<std::pair<std::string, std::string>>& entries, bool deflate,
                     const std::string& comment = "");

/// A package: the compiled manifest of `fields`, a classes.dex and a resources.arsc.
std::string BuildApk(const ManifestFields& fields, bool deflate = true, bool utf8 = true);

} // namespace testsupport
