#include "WriteBitmap.h"

#include "platform/FileWrite.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kHeadersSize = 14 + 40;
constexpr std::size_t kChunkBytes = 256 * 1024;

void putU16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// One picture's sizes and how its rows are produced; `valid` is false for anything the writer
// refuses.
struct Layout {
    bool valid = false;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    int outBytes = 0;
    std::size_t stride = 0;       // output row, padded
    std::size_t sourceStride = 0; // input row
    std::size_t fileSize = 0;
    bool rotate = false;
    bool swap = false;
};

Layout layoutFor(int height, int bytesPerPixel, std::size_t available, int width, bool rotate,
                 BitmapPixelOrder order) {
    Layout layout;
    if (width <= 0 || height <= 0 || bytesPerPixel < 2 || bytesPerPixel > 4) {
        return layout;
    }
    const std::uint64_t frameBytes =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * bytesPerPixel;
    if (frameBytes > kMaxBitmapPixelBytes || available < frameBytes) {
        return layout;
    }
    layout = {true, width, height, bytesPerPixel, bytesPerPixel == 2 ? 3 : bytesPerPixel};
    // BMP rows are padded to whole 4-byte words; without it readers skew rows whose width
    // times 3 is not a multiple of 4.
    layout.stride = (static_cast<std::size_t>(width) * layout.outBytes + 3) & ~std::size_t{3};
    layout.sourceStride = static_cast<std::size_t>(width) * bytesPerPixel;
    layout.fileSize = kHeadersSize + layout.stride * static_cast<std::size_t>(height);
    layout.rotate = rotate;
    layout.swap = order == BitmapPixelOrder::RedFirst && bytesPerPixel != 2;
    return layout;
}

std::array<std::uint8_t, kHeadersSize> headersFor(const Layout& layout) {
    std::array<std::uint8_t, kHeadersSize> out{};
    out[0] = 'B';
    out[1] = 'M';
    putU32(&out[2], static_cast<std::uint32_t>(layout.fileSize));
    putU32(&out[10], static_cast<std::uint32_t>(kHeadersSize));
    putU32(&out[14], 40);
    putU32(&out[18], static_cast<std::uint32_t>(layout.width));
    putU32(&out[22], static_cast<std::uint32_t>(layout.height)); // positive: bottom-up rows
    putU16(&out[26], 1);
    putU16(&out[28], static_cast<std::uint16_t>(layout.outBytes * 8));
    // Compression, image size, resolutions and palette counts stay 0.
    return out;
}

// One RGB 565 pixel as blue, green, red.
void expand565(const std::uint8_t* in, std::uint8_t* out) {
    const unsigned value = static_cast<unsigned>(in[0]) | (static_cast<unsigned>(in[1]) << 8);
    out[0] = static_cast<std::uint8_t>((value & 0x1F) << 3);
    out[1] = static_cast<std::uint8_t>(((value >> 5) & 0x3F) << 2);
    out[2] = static_cast<std::uint8_t>((value >> 11) << 3);
}

// Four pixels as one 16-byte vector (GCC/Clang vector extension: SSE2 on x86, NEON on ARM).
typedef std::uint32_t FourPixels __attribute__((vector_size(16)));

std::uint32_t swapWord(std::uint32_t v) {
    return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}

// The common screenshot case, a 32-bit row in order with bytes 0 and 2 (red and blue) to
// exchange, four pixels at a time: a frame of a current phone is some 10 MB.
void copySwapped32(const std::uint8_t* in, std::uint8_t* out, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        FourPixels v;
        std::memcpy(&v, in + 4 * static_cast<std::size_t>(x), sizeof v);
        v = (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
        std::memcpy(out + 4 * static_cast<std::size_t>(x), &v, sizeof v);
    }
    for (; x < width; ++x) {
        std::uint32_t v;
        std::memcpy(&v, in + 4 * static_cast<std::size_t>(x), 4);
        v = swapWord(v);
        std::memcpy(out + 4 * static_cast<std::size_t>(x), &v, 4);
    }
}

// Output row `row` (0 = first in the file). Not rotated: the last source row comes first
// (bottom-up). Rotated: the first source row comes first with its pixels reversed, which
// turns the picture by 180 degrees; pixels move whole.
void encodeRow(const Layout& layout, const std::uint8_t* pixels, int row, std::uint8_t* out) {
    const int sourceRow = layout.rotate ? row : layout.height - 1 - row;
    const std::uint8_t* source = pixels + layout.sourceStride * static_cast<std::size_t>(sourceRow);
    const int bpp = layout.bytesPerPixel;
    if (!layout.rotate && bpp != 2 && !layout.swap) {
        std::memcpy(out, source, layout.sourceStride);
        return;
    }
    if (!layout.rotate && bpp == 4) {
        copySwapped32(source, out, layout.width);
        return;
    }
    for (int x = 0; x < layout.width; ++x) {
        const int sourceX = layout.rotate ? layout.width - 1 - x : x;
        const std::uint8_t* in = source + static_cast<std::size_t>(sourceX) * bpp;
        std::uint8_t* target = out + static_cast<std::size_t>(x) * layout.outBytes;
        if (bpp == 2) {
            expand565(in, target);
            continue;
        }
        std::memcpy(target, in, static_cast<std::size_t>(bpp));
        if (layout.swap) {
            std::swap(target[0], target[2]);
        }
    }
}

// Closes the descriptor when the write is done or abandoned.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    return platform::WriteAll(fd, data, size);
}

} // namespace

std::vector<std::uint8_t> EncodeBitmap(int height, int bytesPerPixel,
                                       std::span<const std::uint8_t> pixels, int width, bool rotate,
                                       BitmapPixelOrder order) {
    const Layout layout = layoutFor(height, bytesPerPixel, pixels.size(), width, rotate, order);
    if (!layout.valid) {
        return {};
    }
    std::vector<std::uint8_t> file(layout.fileSize, 0);
    const auto headers = headersFor(layout);
    std::copy(headers.begin(), headers.end(), file.begin());
    for (int row = 0; row < height; ++row) {
        encodeRow(layout, pixels.data(), row,
                  file.data() + kHeadersSize + layout.stride * static_cast<std::size_t>(row));
    }
    return file;
}

bool WriteBitmap(int height, int bytesPerPixel, std::span<const std::uint8_t> pixels,
                 const std::string& path, int width, bool rotate, BitmapPixelOrder order) {
    const Layout layout = layoutFor(height, bytesPerPixel, pixels.size(), width, rotate, order);
    if (!layout.valid) {
        return false;
    }
    // Unlinking first also keeps the write fast: a new file goes straight into the page cache,
    // while truncating a large existing one makes the file system flush it on close.
    ::unlink(path.c_str());
    FileDescriptor file{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    const auto headers = headersFor(layout);
    if (file.fd < 0 || !writeAll(file.fd, headers.data(), headers.size())) {
        return false;
    }
    // Rows go out through a bounded staging buffer rather than a second copy of the frame.
    // Padding bytes are never written by the row encoder, so they stay 0.
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, kChunkBytes / layout.stride);
    std::vector<std::uint8_t> chunk(rowsPerChunk * layout.stride, 0);
    for (int row = 0; row < height;) {
        const std::size_t rows = std::min(rowsPerChunk, static_cast<std::size_t>(height - row));
        for (std::size_t i = 0; i < rows; ++i) {
            encodeRow(layout, pixels.data(), row + static_cast<int>(i),
                      chunk.data() + layout.stride * i);
        }
        if (!writeAll(file.fd, chunk.data(), layout.stride * rows)) {
            return false;
        }
        row += static_cast<int>(rows);
    }
    return ::close(std::exchange(file.fd, -1)) == 0;
}
