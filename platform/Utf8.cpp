#include "Utf8.h"

namespace platform {
namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Sequence length announced by a lead byte; 0 for bytes no valid sequence starts with
// (continuation bytes, C0 and C1 which only make overlong forms, F5 to FF).
std::size_t leadLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// Bytes the first `maxChars` characters of `text` take, and their number in `chars`. A
// sequence cut short by the end of the text is not a whole character: the prefix ends before it.
std::size_t prefixBytes(std::string_view text, std::size_t maxChars, std::size_t& chars) {
    std::size_t pos = 0;
    chars = 0;
    while (pos < text.size() && chars < maxChars) {
        char32_t ignored = 0;
        std::size_t length = Utf8DecodeOne(text, pos, ignored);
        if (length == 0) {
            const std::size_t announced = leadLength(static_cast<unsigned char>(text[pos]));
            if (announced > 1 && pos + announced > text.size()) {
                break;
            }
            length = 1;
        }
        pos += length;
        ++chars;
    }
    return pos;
}

} // namespace

std::size_t Utf8DecodeOne(std::string_view text, std::size_t pos, char32_t& out) {
    if (pos >= text.size()) {
        return 0;
    }
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
    const unsigned char lead = byte(0);
    const std::size_t length = leadLength(lead);
    if (length == 0 || pos + length > text.size()) {
        return 0;
    }
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(k) & 0x3F);
    }
    // Overlong three- and four-byte forms, surrogates, code points beyond U+10FFFF.
    if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
        (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    out = value;
    return length;
}

std::string Utf8Sanitize(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t ignored = 0;
        const std::size_t length = Utf8DecodeOne(bytes, pos, ignored);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++pos;
            continue;
        }
        text.append(bytes.substr(pos, length));
        pos += length;
    }
    return text;
}

std::u32string Utf8Decode(std::string_view text) {
    std::u32string chars;
    chars.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = 0;
        std::size_t length = Utf8DecodeOne(text, pos, c);
        if (length == 0) {
            c = 0xFFFD; // a stray byte stands for one unknown character
            length = 1;
        }
        chars += c;
        pos += length;
    }
    return chars;
}

std::string Utf8Encode(std::u32string_view chars) {
    std::string text;
    text.reserve(chars.size());
    for (char32_t c : chars) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0x10000 && c < 0x110000) {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += '?';
        }
    }
    return text;
}

std::string Utf8Prefix(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    return std::string(text.substr(0, prefixBytes(text, maxChars, chars)));
}

std::size_t Utf8Length(std::string_view text) {
    return Utf8Decode(text).size();
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
