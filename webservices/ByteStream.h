// The receiving side of one web-service connection, as the HTTP readers see it. The socket
// implementation and the tests' scripted streams both provide it.
#pragma once

#include <cstddef>

namespace webservices {

/// What one receive attempt gave.
enum class ReceiveStatus {
    Data,     ///< at least one byte arrived
    TimedOut, ///< the receive time-out passed without a byte
    Closed,   ///< the peer closed the connection
    Failed,   ///< any other error
};

class ByteStream {
public:
    virtual ~ByteStream() = default;

    /// One receive call of at most `max` bytes (max >= 1) into `buffer`; `received` is the
    /// number stored (0 unless the status is Data).
    virtual ReceiveStatus receive(char* buffer, std::size_t max, std::size_t& received) = 0;
};

} // namespace webservices
