// The download engine's response headers: status lines, Content-Length, Content-Range and the
// validators, line by line as curl hands them over, and the resume meta file.
#include "FuzzCheck.h"

#include "ResponseHeaders.h"
#include "TempFileNames.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    engine::ResponseHeaders headers;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end == std::string_view::npos ? end : end + 1);
        text.remove_prefix(line.size());
        headers.feed(line);
        if (auto range = engine::ParseContentRange(line)) {
            if (!range->unsatisfied) {
                FUZZ_CHECK(range->first <= range->last);
                FUZZ_CHECK(!range->total || range->last < *range->total);
            } else {
                FUZZ_CHECK(range->total.has_value());
            }
        }
    }
    FUZZ_CHECK(headers.status() >= 0 && headers.status() <= 999);
    if (const auto& range = headers.contentRange(); range && !range->unsatisfied) {
        FUZZ_CHECK(range->first <= range->last);
        FUZZ_CHECK(!range->total || range->last < *range->total);
    }
    const std::string validator = headers.rangeValidator();
    FUZZ_CHECK(validator.size() <= engine::ResponseHeaders::kMaxValidator);
    // A validator goes back out as an If-Range header line: no line break may smuggle another.
    FUZZ_CHECK(validator.find_first_of("\r\n") == std::string::npos);

    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    if (auto info = engine::ParseResumeInfo(whole)) {
        // What was read back is written the same way again.
        auto again = engine::ParseResumeInfo(engine::FormatResumeInfo(*info));
        FUZZ_CHECK(again && again->url == info->url && again->totalSize == info->totalSize &&
                   again->validator == info->validator);
    }
    return 0;
}
