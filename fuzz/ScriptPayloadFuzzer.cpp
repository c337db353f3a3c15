// Download requests of store page scripts: the Base64 payload, its ten fields, and the URL
// search of the JSON-like text.
#include "FuzzCheck.h"

#include "ui/browser/ScriptPayload.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Well-formed UTF-8 by the ranges of the Unicode standard's table of well-formed byte
// sequences, written out apart from the program's decoder.
bool WellFormedUtf8(std::string_view s) {
    struct Range {
        unsigned char lo, hi;
    };
    struct Form {
        Range lead, second;
        int length;
    };
    static constexpr Form kForms[] = {
        {{0x00, 0x7F}, {0x00, 0xFF}, 1}, {{0xC2, 0xDF}, {0x80, 0xBF}, 2},
        {{0xE0, 0xE0}, {0xA0, 0xBF}, 3}, {{0xE1, 0xEC}, {0x80, 0xBF}, 3},
        {{0xED, 0xED}, {0x80, 0x9F}, 3}, {{0xEE, 0xEF}, {0x80, 0xBF}, 3},
        {{0xF0, 0xF0}, {0x90, 0xBF}, 4}, {{0xF1, 0xF3}, {0x80, 0xBF}, 4},
        {{0xF4, 0xF4}, {0x80, 0x8F}, 4}};
    std::size_t i = 0;
    while (i < s.size()) {
        const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
        const Form* form = nullptr;
        for (const Form& f : kForms) {
            if (at(0) >= f.lead.lo && at(0) <= f.lead.hi) {
                form = &f;
            }
        }
        if (!form || i + static_cast<std::size_t>(form->length) > s.size()) {
            return false;
        }
        if (form->length > 1 && (at(1) < form->second.lo || at(1) > form->second.hi)) {
            return false;
        }
        for (int k = 2; k < form->length; ++k) {
            if (at(static_cast<std::size_t>(k)) < 0x80 || at(static_cast<std::size_t>(k)) > 0xBF) {
                return false;
            }
        }
        i += static_cast<std::size_t>(form->length);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = DecodeScriptBase64(text);
    FUZZ_CHECK(decoded.size() <= kScriptPayloadMaxBytes);
    // Four kept characters never make more than three bytes.
    FUZZ_CHECK(decoded.size() <= size / 4 * 3);

    const std::string payload = ScriptPayloadText(decoded);
    FUZZ_CHECK(payload.find('\0') == std::string::npos);
    // Whatever the bytes, the text handed to the program is valid UTF-8.
    FUZZ_CHECK(WellFormedUtf8(payload));
    FUZZ_CHECK(WellFormedUtf8(ScriptPayloadText(text)));
    const ScriptRequest request = SplitScriptRequest(payload);
    std::size_t total = 0;
    for (std::size_t i = 0; i < ScriptRequest::kFields; ++i) {
        // No field carries a separator except the last, which holds everything after the
        // last one.
        FUZZ_CHECK(request.field[i].find('|') == std::string::npos);
        total += request.field[i].size();
    }
    FUZZ_CHECK(total <= payload.size());

    const std::string url = FindQuotedUrl(text);
    FUZZ_CHECK(url.find('"') == std::string::npos && url.size() <= size);
    return 0;
}
