#include "StoreHost.h"

#include "Config.h"

#include "platform/Utf8.h"

#include <cstdlib>

namespace config {
namespace {

inline constexpr std::string_view kStoreHostEnv = "PENLOW_STORE_HOST";

bool IsHostText(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' || c == '[' ||
                        c == ']';
        if (!ok) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string StoreHost() {
    if (const char* env = std::getenv(kStoreHostEnv.data()); env && IsHostText(env)) {
        return env;
    }
    std::string configured = Read(kStore, kHost);
    if (IsHostText(configured)) {
        return configured;
    }
    return std::string(kDefaultStoreHost);
}

std::string StoreUrl(std::string_view path) {
    return "http://" + StoreHost() + std::string(path);
}

bool IsStoreHost(std::string_view hostAndPort) {
    return platform::EqualsIgnoreAsciiCase(hostAndPort, StoreHost());
}

} // namespace config
