#include "OutputText.h"

#include "platform/Utf8.h"

#include <limits>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
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
    return platform::Utf8Decode(text);
}

std::string EncodeChars(std::u32string_view chars) {
    return platform::Utf8Encode(chars);
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
