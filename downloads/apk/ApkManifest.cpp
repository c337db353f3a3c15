#include "ApkManifest.h"

#include "platform/Utf8.h"

namespace apk {

std::string ApkManifest::versionText() const {
    if (!versionName.empty()) {
        return versionName;
    }
    return versionCode ? std::to_string(*versionCode) : std::string();
}

bool IsValidPackageName(const std::string& name) {
    if (name.empty() || name.size() > kMaxPackageNameChars) {
        return false;
    }
    int segments = 0;
    bool segmentStart = true;
    for (char c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (segmentStart) {
            if (!letter) {
                return false;
            }
            ++segments;
            segmentStart = false;
        } else if (c == '.') {
            segmentStart = true;
        } else if (!letter && !digit && c != '_') {
            return false;
        }
    }
    return !segmentStart && segments >= 2;
}

std::string OneLineText(const std::string& text, std::size_t maxChars) {
    std::string line = text;
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = ' ';
        }
    }
    // Cut before trimming: a cut that lands inside a run of spaces must not leave one at the end.
    line = platform::Utf8Prefix(line, maxChars);
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

} // namespace apk
