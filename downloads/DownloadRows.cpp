// Helpers shared by the two download databases.
#include "DownloadRows.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdint>

std::optional<std::uint64_t> ParseSizeColumn(std::string_view text) {
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return UINT64_MAX; // saturates, as the C library's conversion does
    }
    if (ec != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ContinuablePath(const std::string& folder, const std::string& fileName,
                                           const std::string& sizeText) {
    if (fileName.empty() || sizeText.empty() || sizeText.front() == '0') {
        return std::nullopt;
    }
    return folder + fileName;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}
