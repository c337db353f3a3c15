// Argument checks of the engine's entry points.
#include "ApiArguments.h"

#include <cstring>

namespace engine {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c =
            text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::string_view> TextArgument(const char* text, std::int32_t length,
                                             std::size_t maxLength) {
    if (length < 0 || static_cast<std::size_t>(length) > maxLength ||
        (text == nullptr && length > 0)) {
        return std::nullopt;
    }
    std::string_view view(length > 0 ? text : "", static_cast<std::size_t>(length));
    if (view.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    return view;
}

bool IsAcceptableUrl(std::string_view url) {
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) {
        return false;
    }
    for (char c : url) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

bool CopyOut(std::string_view text, char* out, std::int32_t outSize) {
    if (out == nullptr || outSize <= 0 || text.size() >= static_cast<std::size_t>(outSize)) {
        return false;
    }
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

} // namespace engine
