// Compiled AndroidManifest.xml files of packages the user opens: any bytes give a manifest or a
// reason, never a read outside them, and a manifest holds only what a row may show.
#include "FuzzCheck.h"

#include "downloads/apk/ManifestParser.h"
#include "downloads/apk/ZipDirectory.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool OneLine(const std::string& text, std::size_t maxChars) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return platform::Utf8Sanitize(text) == text && platform::Utf8Length(text) <= maxChars &&
           (text.empty() || (text.front() != ' ' && text.back() != ' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size: reading one byte past it is a finding.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const apk::ManifestParseResult result = apk::ParseAndroidManifest(bytes);
    if (result.manifest) {
        FUZZ_CHECK(result.error.empty());
        FUZZ_CHECK(apk::IsValidPackageName(result.manifest->packageName));
        FUZZ_CHECK(OneLine(result.manifest->label, apk::kMaxLabelChars));
        FUZZ_CHECK(OneLine(result.manifest->versionName, apk::kMaxVersionChars));
        FUZZ_CHECK(!result.manifest->displayName().empty());
    } else {
        FUZZ_CHECK(!result.error.empty());
    }

    // The same bytes as the end of a zip archive and as its central directory.
    const std::size_t tail = std::min(size, apk::kMaxEndRecordSearch);
    const std::vector<std::uint8_t> end(data + size - tail, data + size);
    if (auto record = apk::FindEndRecord(end, size)) {
        FUZZ_CHECK(std::uint64_t{record->directoryOffset} + record->directorySize <= size);
    }
    const apk::ZipLookup lookup = apk::FindZipEntry(bytes, 0xFFFF, "AndroidManifest.xml");
    if (lookup.outcome == apk::ZipLookup::Outcome::Found) {
        FUZZ_CHECK(size >= 46 + 19);
    }
    return 0;
}
