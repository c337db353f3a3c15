// A web-service reply as a server sends it, cut into receive calls and time-outs as the
// input decides: the header reader, the body readers, the header and XML value lookups.
#include "FuzzCheck.h"

#include "webservices/ByteStream.h"
#include "webservices/HttpReader.h"
#include "webservices/HttpText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Hands out the reply in pieces whose sizes, time-outs and end the input chooses.
class FuzzedStream final : public webservices::ByteStream {
public:
    explicit FuzzedStream(FuzzedDataProvider& input) : m_input(input) {}

    webservices::ReceiveStatus receive(char* buffer, std::size_t max,
                                       std::size_t& received) override {
        received = 0;
        FUZZ_CHECK(max >= 1);
        if (m_input.remaining_bytes() == 0) {
            return webservices::ReceiveStatus::Closed;
        }
        const std::uint8_t kind = m_input.ConsumeIntegral<std::uint8_t>();
        if (kind < 16) {
            return webservices::ReceiveStatus::TimedOut;
        }
        if (kind < 20) {
            return webservices::ReceiveStatus::Failed;
        }
        const std::string bytes =
            m_input.ConsumeBytesAsString(m_input.ConsumeIntegralInRange<std::size_t>(1, max));
        if (bytes.empty()) {
            return webservices::ReceiveStatus::Closed;
        }
        bytes.copy(buffer, bytes.size());
        received = bytes.size();
        return webservices::ReceiveStatus::Data;
    }

private:
    FuzzedDataProvider& m_input;
};

void CheckLookups(const std::string& text) {
    if (auto value = webservices::HeaderValue(text, "Content-Length:")) {
        FUZZ_CHECK(value->size() <= text.size());
    }
    long long length = 0;
    (void)webservices::ContentLength(text, length);
    for (const char* name : {"IsSuccess", "ReturnCode", "BSCO", "UID"}) {
        // A value is what stands between the tags, never text from around them.
        if (auto value = webservices::XmlTagValue(text, name); value && !value->empty()) {
            const std::string element = "<" + std::string(name) + ">" + *value + "</" + name + ">";
            FUZZ_CHECK(text.find(element) != std::string::npos);
        }
    }
    const std::string prefix = webservices::Utf8BytePrefix(text, 255);
    FUZZ_CHECK(prefix.size() <= 255 && text.compare(0, prefix.size(), prefix) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int reader = input.ConsumeIntegralInRange(0, 2);
    const long long expected = input.ConsumeIntegral<long long>();
    FuzzedStream stream(input);
    std::string header;
    if (webservices::ReadHttpHeader(stream, header)) {
        FUZZ_CHECK(header.size() >= 4 && header.compare(header.size() - 4, 4, "\r\n\r\n") == 0);
    }
    FUZZ_CHECK(header.size() <= webservices::kMaxReplyBytes);
    CheckLookups(header);
    std::string body;
    if (reader == 0) {
        body = webservices::ReadBody(stream, expected);
    } else if (reader == 1) {
        body = webservices::ReadBodyUntilComplete(stream, expected);
    } else {
        body = input.ConsumeRemainingBytesAsString();
    }
    if (reader != 2) {
        // The announced length, never more than the buffer, whatever the server sends.
        FUZZ_CHECK(body.size() <= webservices::kMaxReplyBytes);
        FUZZ_CHECK(body.size() <= static_cast<std::size_t>(expected < 0 ? 0 : expected));
    }
    CheckLookups(body);
    (void)webservices::Utf8ToText(body);
    return 0;
}
