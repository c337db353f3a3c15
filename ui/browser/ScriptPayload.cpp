#include "ScriptPayload.h"

#include "platform/Utf8.h"

#include <cstdint>

namespace {

// Value of a Base64 character, 64 for "=", -1 for bytes that are skipped.
int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return c == '=' ? 64 : -1;
}

} // namespace

std::string DecodeScriptBase64(std::string_view text) {
    std::string out;
    std::uint32_t group = 0;
    int kept = 0;
    int pads = 0;
    for (const char ch : text) {
        const int value = Base64Value(static_cast<unsigned char>(ch));
        if (value < 0) {
            continue;
        }
        if (value == 64) {
            ++pads;
        }
        group = (group << 6) | static_cast<std::uint32_t>(value == 64 ? 0 : value);
        if (++kept < 4) {
            continue;
        }
        const std::size_t bytes = pads >= 3 ? 0 : static_cast<std::size_t>(3 - pads);
        if (out.size() + bytes > kScriptPayloadMaxBytes) {
            break;
        }
        const char decoded[3] = {static_cast<char>(group >> 16), static_cast<char>(group >> 8),
                                 static_cast<char>(group)};
        out.append(decoded, bytes);
        group = 0;
        kept = 0;
        pads = 0;
    }
    return out;
}

std::string ScriptPayloadText(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
    }
    return platform::Utf8Sanitize(bytes);
}

ScriptRequest SplitScriptRequest(std::string_view text) {
    ScriptRequest request;
    const std::size_t last = text.rfind('|');
    if (last == std::string_view::npos) {
        request.field[9] = std::string(text);
        return request;
    }
    request.field[9] = std::string(text.substr(last + 1));
    std::string_view head = text.substr(0, last + 1);
    for (std::size_t i = 0; i < 9 && !head.empty(); ++i) {
        const std::size_t bar = head.find('|');
        request.field[i] = std::string(head.substr(0, bar));
        head.remove_prefix(bar + 1);
    }
    return request;
}

ScriptRequest ParseDownloadPayload(std::string_view base64) {
    return SplitScriptRequest(ScriptPayloadText(DecodeScriptBase64(base64)));
}

std::string FindQuotedUrl(std::string_view text) {
    static constexpr std::string_view kKey = "\"url\":\"";
    const std::size_t key = text.find(kKey);
    if (key == std::string_view::npos) {
        return {};
    }
    const std::size_t start = key + kKey.size();
    const std::size_t end = text.find('"', start);
    if (end == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(start, end - start));
}
