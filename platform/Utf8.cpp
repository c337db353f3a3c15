#include "Utf8.h"

namespace platform {
namespace {

// Length of the UTF-8 sequence that starts with `lead`; 1 for stray bytes.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        return 4;
    }
    return 1;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string Utf8Prefix(std::string_view text, std::size_t maxChars) {
    std::size_t pos = 0;
    std::size_t chars = 0;
    while (pos < text.size() && chars < maxChars) {
        std::size_t len = sequenceLength(static_cast<unsigned char>(text[pos]));
        if (pos + len > text.size()) {
            break; // a truncated sequence at the end is not a whole character
        }
        pos += len;
        ++chars;
    }
    return std::string(text.substr(0, pos));
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t pos = 0;
    std::size_t chars = 0;
    while (pos < text.size()) {
        pos += sequenceLength(static_cast<unsigned char>(text[pos]));
        ++chars;
    }
    return chars;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace platform
