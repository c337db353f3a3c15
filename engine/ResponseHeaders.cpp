// Header-line parsing for the engine's transfers. No I/O here.
#include "ResponseHeaders.h"

#include <charconv>

namespace engine {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

// "HTTP/1.1 206 Partial Content" or "HTTP/2 200": the three-digit code after the first space.
int ParseStatusLine(std::string_view line) {
    std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) {
        return 0;
    }
    int code = 0;
    const char* begin = line.data() + space + 1;
    auto [end, ec] = std::from_chars(begin, begin + 3, code);
    if (ec != std::errc() || end != begin + 3 || code < 100 || code > 999) {
        return 0;
    }
    return code;
}

// A validator goes back to the server as an If-Range line: a control character in it (a bare
// CR inside the value) would end that line early and smuggle in another.
bool IsUsableValidator(std::string_view value) {
    if (value.size() > ResponseHeaders::kMaxValidator) {
        return false;
    }
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

// RFC 9110, 5.6.2: the characters of a token.
bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

} // namespace

std::string ParseMediaType(std::string_view value) {
    // "type/subtype" followed by optional "; parameters" (RFC 9110, 8.3.1).
    std::string_view type = Trim(value.substr(0, value.find(';')));
    if (type.empty() || type.size() > ResponseHeaders::kMaxMediaType) {
        return {};
    }
    std::size_t slash = type.find('/');
    if (slash == 0 || slash == std::string_view::npos || slash + 1 == type.size()) {
        return {};
    }
    std::string media;
    for (std::size_t i = 0; i < type.size(); ++i) {
        char c = type[i];
        if (i != slash && !IsTokenChar(c)) {
            return {};
        }
        media += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return media;
}

std::optional<std::uint64_t> ParseDecimal(std::string_view text) {
    if (text.empty() || text.size() > 20) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    value = Trim(value);
    constexpr std::string_view kUnit = "bytes ";
    if (value.size() <= kUnit.size() || !EqualsNoCase(value.substr(0, kUnit.size()), kUnit)) {
        return std::nullopt;
    }
    value.remove_prefix(kUnit.size());
    std::size_t slash = value.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view span = Trim(value.substr(0, slash));
    std::string_view total = Trim(value.substr(slash + 1));
    ContentRange range;
    if (total != "*") {
        range.total = ParseDecimal(total);
        if (!range.total) {
            return std::nullopt;
        }
    }
    if (span == "*") {
        if (!range.total) {
            return std::nullopt;
        }
        range.unsatisfied = true;
        return range;
    }
    std::size_t dash = span.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    auto first = ParseDecimal(span.substr(0, dash));
    auto last = ParseDecimal(span.substr(dash + 1));
    if (!first || !last || *last < *first || (range.total && *last >= *range.total)) {
        return std::nullopt;
    }
    range.first = *first;
    range.last = *last;
    return range;
}

void ResponseHeaders::feed(std::string_view line) {
    if (line.size() > kMaxLine) {
        return;
    }
    if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
        *this = ResponseHeaders();
        m_status = ParseStatusLine(Trim(line));
        return;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return;
    }
    feedField(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
}

void ResponseHeaders::feedField(std::string_view name, std::string_view value) {
    if (EqualsNoCase(name, "content-length")) {
        m_contentLength = ParseDecimal(value);
    } else if (EqualsNoCase(name, "content-range")) {
        m_contentRange = ParseContentRange(value);
    } else if (EqualsNoCase(name, "etag") && IsUsableValidator(value)) {
        m_etag = std::string(value);
    } else if (EqualsNoCase(name, "last-modified") && IsUsableValidator(value)) {
        m_lastModified = std::string(value);
    } else if (EqualsNoCase(name, "content-type")) {
        m_contentType = ParseMediaType(value);
    }
}

std::string ResponseHeaders::rangeValidator() const {
    // A weak ETag ("W/...") may not be used in If-Range (RFC 9110, 13.1.5).
    if (!m_etag.empty() && m_etag.front() == '"') {
        return m_etag;
    }
    return m_lastModified;
}

} // namespace engine
