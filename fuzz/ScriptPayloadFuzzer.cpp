// Download requests of store page scripts: the Base64 payload, its ten fields, and the URL
// search of the JSON-like text.
#include "FuzzCheck.h"

#include "ui/browser/ScriptPayload.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = DecodeScriptBase64(text);
    FUZZ_CHECK(decoded.size() <= kScriptPayloadMaxBytes);
    // Four kept characters never make more than three bytes.
    FUZZ_CHECK(decoded.size() <= size / 4 * 3);

    const std::string payload = ScriptPayloadText(decoded);
    FUZZ_CHECK(payload.find('\0') == std::string::npos);
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
