// Reading web-service replies with bounded buffers.
#include "HttpReader.h"

#include "ByteStream.h"
#include "HttpText.h"

#include <algorithm>

namespace webservices {

bool HeaderEndMatcher::feed(char c) {
    switch (m_state) {
    case 0:
        m_state = c == '\r' ? 1 : 0;
        break;
    case 1:
        m_state = c == '\n' ? 2 : 0;
        break;
    case 2:
        m_state = c == '\r' ? 3 : 0;
        break;
    case 3:
        m_state = c == '\n' ? 4 : 0;
        break;
    default:
        break;
    }
    return m_state == 4;
}

bool ReadHttpHeader(ByteStream& stream, std::string& header) {
    header.clear();
    HeaderEndMatcher matcher;
    while (header.size() < kMaxReplyBytes) {
        char c = 0;
        std::size_t received = 0;
        if (stream.receive(&c, 1, received) != ReceiveStatus::Data || received != 1) {
            return false;
        }
        header.push_back(c);
        if (matcher.feed(c)) {
            return true;
        }
    }
    return false;
}

namespace {

std::size_t BoundedLength(long long expected) {
    if (expected < 1) {
        return 0;
    }
    return static_cast<std::size_t>(
        std::min<long long>(expected, static_cast<long long>(kMaxReplyBytes)));
}

} // namespace

std::string ReadBody(ByteStream& stream, long long expected) {
    std::string body;
    const std::size_t attempts = BoundedLength(expected);
    int quietAttempts = 0;
    for (std::size_t i = 0; i < attempts; ++i) {
        char c = 0;
        std::size_t received = 0;
        const ReceiveStatus status = stream.receive(&c, 1, received);
        if (status == ReceiveStatus::TimedOut) {
            // The attempt is used up and later bytes still count, but a peer that has gone
            // quiet must not hold the caller for one attempt per announced byte.
            if (++quietAttempts >= kMaxQuietBodyAttempts) {
                break;
            }
            continue;
        }
        if (status != ReceiveStatus::Data || received != 1) {
            break;
        }
        quietAttempts = 0;
        body.push_back(c);
    }
    return body;
}

std::string ReadBodyUntilComplete(ByteStream& stream, long long expected) {
    const std::size_t wanted = BoundedLength(expected);
    std::string body(wanted, '\0');
    std::size_t filled = 0;
    while (filled < wanted) {
        std::size_t received = 0;
        if (stream.receive(body.data() + filled, wanted - filled, received) !=
            ReceiveStatus::Data) {
            break;
        }
        filled += received;
    }
    body.resize(filled);
    return body;
}

bool ContentLength(const std::string& header, long long& length) {
    const std::optional<std::string> value = HeaderValue(header, "Content-Length:");
    if (!value) {
        return false;
    }
    length = DecimalPrefix(*value);
    return true;
}

} // namespace webservices
