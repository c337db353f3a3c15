// URLs a store page hands over: the file names downloads take from them, and the URL the
// engine is given, encoded as a browser would.
#include "FuzzCheck.h"

#include "downloads/BrowserUrl.h"
#include "downloads/FileNameFromUrl.h"
#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    // The engine refuses blanks, controls and bytes above ASCII; encoding twice changes nothing.
    const std::string requested = EncodeUrlAsBrowser(url);
    for (char c : requested) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte > 0x20 && byte < 0x7f);
    }
    FUZZ_CHECK(EncodeUrlAsBrowser(requested) == requested);

    const std::optional<std::string> name = FileNameFromUrl(url);
    FUZZ_CHECK(name.has_value() == (url.find('/') != std::string_view::npos));
    if (!name) {
        return 0;
    }
    // The name stays inside the download folder and within the engine's name limit.
    FUZZ_CHECK(!name->empty() && *name != "." && *name != "..");
    FUZZ_CHECK(name->find_first_of(std::string_view("/\\\0", 3)) == std::string::npos);
    for (char c : *name) {
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
    }
    FUZZ_CHECK(platform::Utf8Length(*name) <= 28);
    return 0;
}
