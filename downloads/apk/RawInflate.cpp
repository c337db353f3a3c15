#include "RawInflate.h"

#include <zlib.h>

#include <climits>

namespace apk {

namespace {

struct InflateStream {
    z_stream stream{};
    bool open = false;
    ~InflateStream() {
        if (open) {
            inflateEnd(&stream);
        }
    }
};

} // namespace

std::optional<std::vector<std::uint8_t>> RawInflate(Bytes deflated, std::size_t size) {
    if (deflated.size() > UINT_MAX || size > UINT_MAX - 1) {
        return std::nullopt;
    }
    // One byte more than wanted: a stream that fills it is longer than its entry says.
    std::vector<std::uint8_t> out(size + 1);
    InflateStream z;
    // Negative window bits: raw deflate, without the zlib header zip entries do not carry.
    if (inflateInit2(&z.stream, -MAX_WBITS) != Z_OK) {
        return std::nullopt;
    }
    z.open = true;
    z.stream.next_in = const_cast<Bytef*>(deflated.data());
    z.stream.avail_in = static_cast<uInt>(deflated.size());
    z.stream.next_out = out.data();
    z.stream.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z.stream, Z_FINISH);
    if (status != Z_STREAM_END || z.stream.total_out != size) {
        return std::nullopt;
    }
    out.resize(size);
    return out;
}

std::uint32_t ZipCrc32(Bytes data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    return static_cast<std::uint32_t>(crc32(crc, data.data(), static_cast<uInt>(data.size())));
}

} // namespace apk
