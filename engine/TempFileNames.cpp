// File-name rules of the engine's partial downloads.
#include "TempFileNames.h"

#include "ResponseHeaders.h"

namespace engine {
namespace {

bool HasLineBreak(std::string_view text) {
    return text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos;
}

} // namespace

std::string TempPathOf(std::string_view finalPath) {
    return std::string(finalPath) + std::string(kTempSuffix);
}

std::string MetaPathOf(std::string_view finalPath) {
    return std::string(finalPath) + std::string(kMetaSuffix);
}

bool IsValidFileName(std::string_view name) {
    if (name.empty() || name.size() > kMaxFileName || name == "." || name == "..") {
        return false;
    }
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string NumberedFileName(std::string_view name, int n) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        dot = name.size();
    }
    return std::string(name.substr(0, dot)) + "(" + std::to_string(n) + ")" +
           std::string(name.substr(dot));
}

bool IsNameOrNumbered(std::string_view name, std::string_view wanted) {
    if (name == wanted) {
        return true;
    }
    // NumberedFileName puts "(n)" where the extension starts (or at the end).
    std::size_t dot = wanted.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        dot = wanted.size();
    }
    const std::string_view base = wanted.substr(0, dot);
    const std::string_view extension = wanted.substr(dot);
    if (name.size() < base.size() + extension.size() + 3 || name.substr(0, base.size()) != base ||
        name.substr(name.size() - extension.size()) != extension) {
        return false;
    }
    std::string_view number =
        name.substr(base.size(), name.size() - base.size() - extension.size());
    if (number.front() != '(' || number.back() != ')') {
        return false;
    }
    number = number.substr(1, number.size() - 2);
    if (number.empty() || number.size() > 4 || number.front() == '0') {
        return false;
    }
    for (char c : number) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string FormatResumeInfo(const ResumeInfo& info) {
    std::string text = "url=" + info.url + "\n";
    text += "size=" + std::to_string(info.totalSize) + "\n";
    text += "validator=" + info.validator + "\n";
    return text;
}

std::optional<ResumeInfo> ParseResumeInfo(std::string_view text) {
    if (text.size() > kMaxMetaText) {
        return std::nullopt;
    }
    ResumeInfo info;
    bool haveUrl = false;
    bool haveSize = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt; // every line ends in '\n'; a cut file is not trusted
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view key = line.substr(0, eq);
        std::string_view value = line.substr(eq + 1);
        if (key == "url") {
            info.url = std::string(value);
            haveUrl = true;
        } else if (key == "size") {
            auto size = ParseDecimal(value);
            if (!size) {
                return std::nullopt;
            }
            info.totalSize = *size;
            haveSize = true;
        } else if (key == "validator") {
            info.validator = std::string(value);
        }
    }
    if (!haveUrl || !haveSize || HasLineBreak(info.validator)) {
        return std::nullopt;
    }
    return info;
}

} // namespace engine
