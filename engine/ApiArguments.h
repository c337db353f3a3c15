// Checks of the (pointer, length) text arguments every entry point receives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

/// Longest URL the engine accepts, in bytes.
constexpr std::size_t kMaxUrl = 8192;

/// The text of a (pointer, length) pair: nullopt when the length is negative or above
/// `maxLength`, the pointer is null with a non-zero length, or the text holds a NUL.
std::optional<std::string_view> TextArgument(const char* text, std::int32_t length,
                                             std::size_t maxLength);

/// An http:// or https:// URL without control characters or spaces.
bool IsAcceptableUrl(std::string_view url);

/// Copies `text` into `out` (NUL-terminated); false when it does not fit.
bool CopyOut(std::string_view text, char* out, std::int32_t outSize);

} // namespace engine
