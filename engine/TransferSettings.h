// Engine-wide settings, copied into each transfer when it starts.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct TransferSettings {
    std::uint64_t maxReceiveBytesPerSecond = 0; ///< 0: no limit
    int maxRetries = 3;                         ///< reconnections after a broken transfer
    int retryIntervalMs = 1000;
    long proxyType = 0;           ///< CURLPROXY_ value; empty proxy: none
    std::string proxy;            ///< "host:port"
    std::string proxyCredentials; ///< "user:password" or empty
    std::string referer;
    std::string cookie;
};

} // namespace engine
