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
    std::uint64_t maxFileSize = 0; ///< 0: any size; set by the task's type
    /// When not empty, a Content-Type the server sends must begin with it (lower case, such as
    /// "image/"); an answer without one is accepted. Set by the task's type.
    std::string requiredMediaType;
};

} // namespace engine
