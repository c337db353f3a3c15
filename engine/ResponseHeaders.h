// The response header fields the engine acts on (status, length, range, validators), parsed
// from the header lines of one HTTP response as the transfer library delivers them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

/// A Content-Range value: "bytes first-last/total", "bytes first-last/*" or "bytes */total".
struct ContentRange {
    bool unsatisfied = false; ///< "bytes */total": the requested range is past the end
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::optional<std::uint64_t> total;
};

/// Parses a Content-Range value; nullopt when malformed (last < first, no "bytes ", garbage).
std::optional<ContentRange> ParseContentRange(std::string_view value);

/// Parses an unsigned decimal number that fills `text` completely.
std::optional<std::uint64_t> ParseDecimal(std::string_view text);

class ResponseHeaders {
public:
    /// Longest header line and validator kept; longer ones are ignored.
    static constexpr std::size_t kMaxLine = 8192;
    static constexpr std::size_t kMaxValidator = 256;
    /// Longest media type kept; a longer one reads as malformed.
    static constexpr std::size_t kMaxMediaType = 127;

    /// Feeds one header line, with or without its CR LF. A status line ("HTTP/...") starts a
    /// new response (redirects and interim responses deliver several per transfer).
    void feed(std::string_view line);

    int status() const { return m_status; }
    const std::optional<std::uint64_t>& contentLength() const { return m_contentLength; }
    const std::optional<ContentRange>& contentRange() const { return m_contentRange; }
    const std::string& etag() const { return m_etag; }
    const std::string& lastModified() const { return m_lastModified; }
    /// The media type of Content-Type in lower case without its parameters ("image/png"):
    /// nullopt when the response has none, empty when it is malformed or too long.
    const std::optional<std::string>& contentType() const { return m_contentType; }
    /// The validator to send as If-Range: the ETag when it is a strong one, else Last-Modified.
    std::string rangeValidator() const;

private:
    void feedField(std::string_view name, std::string_view value);

    int m_status = 0;
    std::optional<std::uint64_t> m_contentLength;
    std::optional<ContentRange> m_contentRange;
    std::string m_etag;
    std::string m_lastModified;
    std::optional<std::string> m_contentType;
};

/// The media type of a Content-Type value (see ResponseHeaders::contentType); empty when it is
/// not "type/subtype" of token characters or longer than kMaxMediaType.
std::string ParseMediaType(std::string_view value);

} // namespace engine
