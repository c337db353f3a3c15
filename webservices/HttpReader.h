// Reading a web-service reply: the header byte by byte up to its blank line, then a body of
// the announced length. Both readers are bounded by the 4,096-byte receive buffer the calls
// have always used: a header stops at 4,095 bytes, a body at 4,095 bytes, whatever the peer
// announces or sends.
#pragma once

#include <cstddef>
#include <string>

namespace webservices {

class ByteStream;

/// Size of the receive buffer shared by header and body; one byte is kept for the NUL.
inline constexpr std::size_t kReceiveBufferBytes = 4096;
inline constexpr std::size_t kMaxReplyBytes = kReceiveBufferBytes - 1;

/// Receive time-outs in a row after which a body read gives up: with the socket's one-second
/// time-out, five seconds without a byte.
inline constexpr int kMaxQuietBodyAttempts = 5;

/// The four-state matcher for the CR LF CR LF that ends a header. A CR in state 1 or 3 sends
/// it back to 0 (not to 1), so "\r\r\n\r\n" leaves it in state 2.
class HeaderEndMatcher {
public:
    /// Feeds one byte; true once the terminating CR LF CR LF has been seen.
    bool feed(char c);
    int state() const { return m_state; }

private:
    int m_state = 0;
};

/// Reads the header one byte per receive call until the matcher completes, the peer closes,
/// a receive fails or times out, or 4,095 bytes were read. `header` gets the bytes read.
/// True only when the blank line was reached.
[[nodiscard]] bool ReadHttpHeader(ByteStream& stream, std::string& header);

/// Makes at most min(expected, 4,095) one-byte receive attempts: a byte is stored, a time-out
/// uses the attempt up and stores nothing, kMaxQuietBodyAttempts time-outs in a row or a close
/// or failure end the reading. Nothing is read when `expected` is below 1. Returns the bytes
/// stored, without gaps.
std::string ReadBody(ByteStream& stream, long long expected);

/// Reads the body of a login reply: receive calls of up to min(expected, 4,095) bytes in
/// total, until that many arrived or the peer closes, fails or times out.
std::string ReadBodyUntilComplete(ByteStream& stream, long long expected);

/// The integer value of the "Content-Length:" line of `header`; false when there is none.
[[nodiscard]] bool ContentLength(const std::string& header, long long& length);

} // namespace webservices
