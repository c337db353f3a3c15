#include "BatteryParsers.h"

#include "OutputText.h"

namespace {

constexpr std::size_t kMaxLevelChars = 6;
constexpr std::int64_t kMaxLevel = 100;

bool isPathChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == '/';
}

bool isBlankOrBreak(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

bool IsLongerThanLevel(std::string_view output) {
    return DecodeChars(output).size() > kMaxLevelChars;
}

bool IsBatteryLevel(std::string_view output) {
    if (IsLongerThanLevel(output)) {
        return false;
    }
    std::size_t first = output.find_first_not_of(" \t\r\n");
    std::size_t last = output.find_last_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return false;
    }
    std::string_view number = output.substr(first, last - first + 1);
    std::size_t digits = 0;
    std::int64_t level = TextToInt(number, &digits);
    return digits == number.size() && level <= kMaxLevel;
}

std::optional<std::string> CapacityPathFromFind(std::string_view output) {
    constexpr std::string_view kName = "capacity";
    std::size_t at = output.find(kName);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t lineStart = output.find_last_of("\r\n", at);
    lineStart = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    std::string_view path = output.substr(lineStart, at + kName.size() - lineStart);
    while (!path.empty() && isBlankOrBreak(path.front())) {
        path.remove_prefix(1);
    }
    for (char c : path) {
        if (!isPathChar(c)) {
            return std::nullopt;
        }
    }
    return std::string(path);
}
