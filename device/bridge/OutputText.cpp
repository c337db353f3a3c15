#include "OutputText.h"

#include <limits>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Length of the UTF-8 sequence announced by `lead`; 0 for a byte that cannot start one.
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
    return (lead & 0xF8) == 0xF0 ? 4 : 0;
}

// Length of a valid UTF-8 sequence starting at `pos` and its code point; 0 when the bytes
// there do not form one.
std::size_t decodeOne(std::string_view text, std::size_t pos, char32_t& out) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    std::size_t length = sequenceLength(lead);
    if (length == 0 || pos + length > text.size()) {
        return 0;
    }
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    out = value;
    return length;
}

} // namespace

bool Contains(std::string_view text, std::string_view needle) {
    return text.find(needle) != std::string_view::npos;
}

std::optional<std::string> Between(std::string_view text, std::string_view start,
                                   std::string_view end) {
    std::size_t from = text.find(start);
    if (from == std::string_view::npos) {
        return std::nullopt;
    }
    from += start.size();
    std::size_t to = text.find(end, from);
    if (to == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(text.substr(from, to - from));
}

std::string RemoveLineBreaks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != '\n' && c != '\r') {
            result += c;
        }
    }
    return result;
}

std::string_view FirstLine(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

std::int64_t TextToInt(std::string_view text, std::size_t* digits) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    std::size_t count = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++count) {
        int digit = text[pos] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    if (digits != nullptr) {
        *digits = count;
    }
    return negative ? -value : value;
}

std::u32string DecodeChars(std::string_view text) {
    std::u32string chars;
    chars.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = 0;
        std::size_t length = decodeOne(text, pos, c);
        if (length == 0) {
            c = 0xFFFD; // a stray byte stands for one unknown character
            length = 1;
        }
        chars += c;
        pos += length;
    }
    return chars;
}

std::string EncodeChars(std::u32string_view chars) {
    std::string text;
    text.reserve(chars.size());
    for (char32_t c : chars) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x110000) {
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

std::u32string_view CharExcerpt(std::u32string_view chars, std::int64_t start, std::int64_t count) {
    if (start < 0) {
        start = 0;
    }
    if (count <= 0 || static_cast<std::uint64_t>(start) >= chars.size()) {
        return {};
    }
    return chars.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

std::optional<std::size_t> FindChars(std::u32string_view chars, std::u32string_view needle) {
    std::size_t at = chars.find(needle);
    if (at == std::u32string_view::npos) {
        return std::nullopt;
    }
    return at;
}
