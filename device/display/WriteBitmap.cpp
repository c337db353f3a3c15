#include "WriteBitmap.h"

#include <cstring>
#include <fstream>

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;

void putU16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void putU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void writeHeaders(std::uint8_t* out, std::uint32_t fileSize, int width, int height,
                  std::uint16_t bitsPerPixel) {
    out[0] = 'B';
    out[1] = 'M';
    putU32(out + 2, fileSize);
    putU32(out + 10, kHeadersSize);
    putU32(out + 14, 40);
    putU32(out + 18, static_cast<std::uint32_t>(width));
    putU32(out + 22, static_cast<std::uint32_t>(height)); // positive: rows stored bottom-up
    putU16(out + 26, 1);
    putU16(out + 28, bitsPerPixel);
    // Compression, image size, resolutions and palette counts stay 0.
}

// One RGB 565 pixel as blue, green, red.
void expand565(const std::uint8_t* in, std::uint8_t* out) {
    const unsigned value = static_cast<unsigned>(in[0]) | (static_cast<unsigned>(in[1]) << 8);
    out[0] = static_cast<std::uint8_t>((value & 0x1F) << 3);
    out[1] = static_cast<std::uint8_t>(((value >> 5) & 0x3F) << 2);
    out[2] = static_cast<std::uint8_t>((value >> 11) << 3);
}

void writeRow(const std::uint8_t* source, std::uint8_t* out, int width, int bytesPerPixel,
              bool reverse) {
    const int outBytes = bytesPerPixel == 2 ? 3 : bytesPerPixel;
    if (!reverse && bytesPerPixel != 2) {
        std::memcpy(out, source, static_cast<std::size_t>(width) * outBytes);
        return;
    }
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* in = source + static_cast<std::size_t>(reverse ? width - 1 - x : x) *
                                              bytesPerPixel;
        std::uint8_t* target = out + static_cast<std::size_t>(x) * outBytes;
        if (bytesPerPixel == 2) {
            expand565(in, target);
        } else {
            std::memcpy(target, in, static_cast<std::size_t>(bytesPerPixel));
        }
    }
}

} // namespace

std::vector<std::uint8_t> EncodeBitmap(int height, int bytesPerPixel,
                                       std::span<const std::uint8_t> pixels, int width,
                                       bool rotate) {
    if (width <= 0 || height <= 0 || bytesPerPixel < 2 || bytesPerPixel > 4) {
        return {};
    }
    const std::uint64_t frameBytes =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * bytesPerPixel;
    if (frameBytes > kMaxBitmapPixelBytes || pixels.size() < frameBytes) {
        return {};
    }
    const int outBytes = bytesPerPixel == 2 ? 3 : bytesPerPixel;
    // BMP rows are padded to whole 4-byte words; without it readers skew rows whose width
    // times 3 is not a multiple of 4.
    const std::size_t stride = (static_cast<std::size_t>(width) * outBytes + 3) & ~std::size_t{3};
    const std::size_t fileSize = kHeadersSize + stride * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> file(fileSize, 0);
    writeHeaders(file.data(), static_cast<std::uint32_t>(fileSize), width, height,
                 static_cast<std::uint16_t>(outBytes * 8));
    const std::size_t sourceStride = static_cast<std::size_t>(width) * bytesPerPixel;
    for (int row = 0; row < height; ++row) {
        // Not rotated: the last source row comes first (bottom-up). Rotated: the first source
        // row comes first with its pixels reversed, which turns the picture by 180 degrees.
        const int sourceRow = rotate ? row : height - 1 - row;
        writeRow(pixels.data() + sourceStride * static_cast<std::size_t>(sourceRow),
                 file.data() + kHeadersSize + stride * static_cast<std::size_t>(row), width,
                 bytesPerPixel, rotate);
    }
    return file;
}

bool WriteBitmap(int height, int bytesPerPixel, std::span<const std::uint8_t> pixels,
                 const std::string& path, int width, bool rotate) {
    const std::vector<std::uint8_t> file = EncodeBitmap(height, bytesPerPixel, pixels, width, rotate);
    if (file.empty()) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    return static_cast<bool>(out);
}
