// The bounded reply readers, fed by a scripted stream (bytes, time-outs, close).
#include "webservices/ByteStream.h"
#include "webservices/HttpReader.h"

#include <gtest/gtest.h>

#include <deque>

using namespace webservices;

namespace {

// Plays a script: each entry is either bytes (handed out as the reader asks) or a time-out.
class ScriptedStream final : public ByteStream {
public:
    ScriptedStream& bytes(const std::string& data) {
        m_script.push_back({false, data});
        return *this;
    }
    ScriptedStream& timeout() {
        m_script.push_back({true, {}});
        return *this;
    }
    int calls() const { return m_calls; }

    ReceiveStatus receive(char* buffer, std::size_t max, std::size_t& received) override {
        ++m_calls;
        received = 0;
        if (m_script.empty()) {
            return ReceiveStatus::Closed;
        }
        Entry& next = m_script.front();
        if (next.timeout) {
            m_script.pop_front();
            return ReceiveStatus::TimedOut;
        }
        received = std::min(max, next.data.size());
        next.data.copy(buffer, received);
        next.data.erase(0, received);
        if (next.data.empty()) {
            m_script.pop_front();
        }
        return ReceiveStatus::Data;
    }

private:
    struct Entry {
        bool timeout;
        std::string data;
    };
    std::deque<Entry> m_script;
    int m_calls = 0;
};

} // namespace

TEST(HeaderEndMatcher, SecondCrRestartsAtZero) {
    HeaderEndMatcher matcher;
    for (char c : std::string("X: 1\r\r\n\r\n")) {
        EXPECT_FALSE(matcher.feed(c));
    }
    EXPECT_EQ(matcher.state(), 2);
    EXPECT_FALSE(matcher.feed('\r'));
    EXPECT_TRUE(matcher.feed('\n'));
}

TEST(ReadHttpHeader, CrCrLfCrLfIsNotTheEndAndReadingGoesOn) {
    ScriptedStream stream;
    stream.bytes("HTTP/1.1 200 OK\r\r\n\r\nMore: yes\r\n\r\nbody");
    std::string header;
    ASSERT_TRUE(ReadHttpHeader(stream, header));
    EXPECT_EQ(header, "HTTP/1.1 200 OK\r\r\n\r\nMore: yes\r\n\r\n");
}

TEST(ReadHttpHeader, StopsAt4095BytesWithoutBlankLine) {
    ScriptedStream stream;
    stream.bytes("HTTP/1.1 200 OK\r\nX: " + std::string(5000, 'p'));
    std::string header;
    EXPECT_FALSE(ReadHttpHeader(stream, header));
    EXPECT_EQ(header.size(), 4095u);
    EXPECT_EQ(stream.calls(), 4095); // one byte per receive, none beyond the buffer
}

TEST(ReadHttpHeader, TimeOutOrCloseBeforeTheBlankLineFails) {
    ScriptedStream timedOut;
    timedOut.bytes("HTTP/1.1 200 OK\r\n").timeout().bytes("\r\n");
    std::string header;
    EXPECT_FALSE(ReadHttpHeader(timedOut, header));
    ScriptedStream closed;
    closed.bytes("HTTP/1.1 200 OK\r\n");
    EXPECT_FALSE(ReadHttpHeader(closed, header));
}

TEST(ReadBody, LengthZeroOrNegativeReadsNothing) {
    for (long long length : {0LL, -1LL, -99999999999LL}) {
        ScriptedStream stream;
        stream.bytes("abc");
        EXPECT_EQ(ReadBody(stream, length), "");
        EXPECT_EQ(stream.calls(), 0);
    }
}

TEST(ReadBody, TimeOutsUseUpAttemptsAndBytesStayContiguous) {
    ScriptedStream stream;
    stream.bytes("0123456789").timeout().bytes("abcdefghij");
    // Twenty attempts: ten bytes, one time-out, nine bytes; the last byte is never read.
    EXPECT_EQ(ReadBody(stream, 20), "0123456789abcdefghi");
}

TEST(ReadBody, FiveTimeOutsInARowEndTheBody) {
    ScriptedStream stream;
    stream.bytes("0123456789a");
    for (int i = 0; i < 10; ++i) {
        stream.timeout();
    }
    stream.bytes("never read");
    EXPECT_EQ(ReadBody(stream, 4095), "0123456789a");
    EXPECT_EQ(stream.calls(), 11 + kMaxQuietBodyAttempts);
}

TEST(ReadBody, ABytePastFourTimeOutsStartsTheCountAgain) {
    ScriptedStream stream;
    for (const char* part : {"ab", "cd", "ef"}) {
        for (int i = 0; i < kMaxQuietBodyAttempts - 1; ++i) {
            stream.timeout();
        }
        stream.bytes(part);
    }
    EXPECT_EQ(ReadBody(stream, 100), "abcdef");
}

TEST(ReadBody, AnnouncedLengthBeyondTheBufferReadsAtMost4095Bytes) {
    ScriptedStream stream;
    stream.bytes(std::string(10240, 'z'));
    EXPECT_EQ(ReadBody(stream, 10240).size(), 4095u);
    ScriptedStream absurd;
    absurd.bytes(std::string(5000, 'z'));
    EXPECT_EQ(ReadBody(absurd, INT64_MAX).size(), 4095u);
}

TEST(ReadBody, CloseEndsAShortBody) {
    ScriptedStream stream;
    stream.bytes("short");
    EXPECT_EQ(ReadBody(stream, 100), "short");
    EXPECT_EQ(stream.calls(), 6);
}

TEST(ReadBodyUntilComplete, CollectsSegmentsUpToTheLength) {
    ScriptedStream stream;
    stream.bytes("<BSCO>1</").bytes("BSCO>tail");
    EXPECT_EQ(ReadBodyUntilComplete(stream, 16), "<BSCO>1</BSCO>ta");
    ScriptedStream stalled;
    stalled.bytes("<BSCO>").timeout().bytes("1</BSCO>");
    EXPECT_EQ(ReadBodyUntilComplete(stalled, 14), "<BSCO>");
    ScriptedStream huge;
    huge.bytes(std::string(9000, 'q'));
    EXPECT_EQ(ReadBodyUntilComplete(huge, 9000).size(), 4095u);
}

TEST(ContentLength, MissingLineIsNoLength) {
    long long length = -1;
    EXPECT_FALSE(ContentLength("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", length));
    ASSERT_TRUE(ContentLength("HTTP/1.1 200 OK\r\nContent-Length: 42\r\n\r\n", length));
    EXPECT_EQ(length, 42);
}
