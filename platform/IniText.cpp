#include "IniText.h"

#include "Utf8.h"

#include <vector>

namespace platform {
namespace {

struct Line {
    std::string_view text; // without the line break
    std::size_t end;       // offset just after the line break
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        pos = 3; // UTF-8 byte-order mark
    }
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t stop = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(pos, stop - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        lines.push_back({line, next});
        pos = next;
    }
    return lines;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(line.substr(1, close - 1));
}

// Key and value of a "key=value" line; nothing for comments and other lines.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') {
        return std::nullopt;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

} // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    bool inSection = false;
    for (const Line& line : splitLines(text)) {
        if (auto name = sectionName(line.text)) {
            inSection = EqualsIgnoreAsciiCase(*name, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        auto kv = keyValue(line.text);
        if (kv && EqualsIgnoreAsciiCase(kv->first, key)) {
            return unquote(kv->second);
        }
    }
    return std::nullopt;
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string entry = std::string(key) + "=" + std::string(value) + "\n";
    std::vector<Line> lines = splitLines(text);
    bool inSection = false;
    std::optional<std::size_t> sectionEnd; // where to append inside the first matching section
    std::size_t lineStart = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    for (const Line& line : lines) {
        if (auto name = sectionName(line.text)) {
            if (inSection) {
                break; // the first matching section ended without the key
            }
            inSection = EqualsIgnoreAsciiCase(*name, section);
            if (inSection) {
                sectionEnd = line.end;
            }
        } else if (inSection) {
            auto kv = keyValue(line.text);
            if (kv && EqualsIgnoreAsciiCase(kv->first, key)) {
                return std::string(text.substr(0, lineStart)) + entry +
                       std::string(text.substr(line.end));
            }
            if (!trim(line.text).empty()) {
                sectionEnd = line.end;
            }
        }
        lineStart = line.end;
    }
    std::string out(text);
    if (sectionEnd) {
        std::string prefix(text.substr(0, *sectionEnd));
        if (!prefix.empty() && prefix.back() != '\n') {
            prefix += '\n';
        }
        return prefix + entry + std::string(text.substr(*sectionEnd));
    }
    if (!out.empty() && out.back() != '\n') {
        out += '\n';
    }
    return out + "[" + std::string(section) + "]\n" + entry;
}

} // namespace platform
