// File names of new downloads. Positions are found on bytes (the separators are ASCII);
// lengths are counted in characters and never split a UTF-8 sequence.
#include "FileNameFromUrl.h"

#include "platform/Utf8.h"

namespace {

constexpr std::size_t kMaxBaseChars = 24;
constexpr std::size_t kMaxExtensionChars = 4; // the dot and up to 3 characters
constexpr std::string_view kEmptyNameFallback = "download";

std::string Sanitise(std::string name) {
    bool onlyDots = true;
    for (char& c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) {
            c = '_';
        }
        onlyDots = onlyDots && c == '.';
    }
    if (name.empty()) {
        return std::string(kEmptyNameFallback);
    }
    if (onlyDots) {
        name.assign(name.size(), '_'); // "." and ".." would name a folder
    }
    return name;
}

// The base taken from just after the slash, `baseChars` characters long, then the extension.
std::string Compose(std::string_view url, std::size_t slash, std::size_t baseChars, std::size_t dot,
                    std::size_t extensionEnd) {
    std::string base = platform::Utf8Prefix(url.substr(slash + 1), baseChars);
    std::string extension =
        platform::Utf8Prefix(url.substr(dot, extensionEnd - dot), kMaxExtensionChars);
    return base + extension;
}

} // namespace

std::optional<std::string> FileNameFromUrl(std::string_view url) {
    std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t question = url.rfind('?');
    std::size_t q = (question != std::string_view::npos && question > slash) ? question : slash;
    std::size_t dot = url.rfind('.');
    // A dot before the last '/' belongs to the host or a folder: the name has no extension.
    if (dot == std::string_view::npos || dot < slash) {
        return Sanitise(platform::Utf8Prefix(url.substr(q + 1), kMaxBaseChars));
    }
    if (dot < q) {
        // The query has no dot ("/get.php?id=5"): the name is the part before the query.
        std::size_t baseChars = platform::Utf8Length(url.substr(slash + 1, dot - slash - 1));
        return Sanitise(Compose(url, slash, std::min(baseChars, kMaxBaseChars), dot, q));
    }
    std::size_t baseChars = platform::Utf8Length(url.substr(q + 1, dot - q - 1));
    if (baseChars == 0) {
        baseChars = platform::Utf8Length(url.substr(q + 1));
    }
    return Sanitise(Compose(url, slash, std::min(baseChars, kMaxBaseChars), dot, url.size()));
}
