// Screenshot frames as a phone's frame buffer sends them: the bitmap writer reads only the
// buffer it is given (ASan sees every byte past it) and writes the same file as a plain
// pixel-by-pixel reference encoder.
#include "FuzzCheck.h"

#include "device/display/WriteBitmap.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The 24/32-bit bottom-up BMP the writer promises, one pixel at a time.
std::vector<std::uint8_t> Reference(int height, int bpp, const std::vector<std::uint8_t>& pixels,
                                    int width, bool rotate, bool redFirst) {
    const int outBytes = bpp == 2 ? 3 : bpp;
    const std::size_t stride = (static_cast<std::size_t>(width) * outBytes + 3) / 4 * 4;
    std::vector<std::uint8_t> out(54 + stride * height, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put(out, 2, static_cast<std::uint32_t>(out.size()), 4);
    Put(out, 10, 54, 4);
    Put(out, 14, 40, 4);
    Put(out, 18, static_cast<std::uint32_t>(width), 4);
    Put(out, 22, static_cast<std::uint32_t>(height), 4);
    Put(out, 26, 1, 2);
    Put(out, 28, static_cast<std::uint32_t>(outBytes * 8), 2);
    for (int row = 0; row < height; ++row) {
        const int sourceRow = rotate ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const int sourceX = rotate ? width - 1 - x : x;
            const std::uint8_t* in =
                &pixels[(static_cast<std::size_t>(sourceRow) * width + sourceX) * bpp];
            std::uint8_t* target = &out[54 + stride * row + static_cast<std::size_t>(x) * outBytes];
            if (bpp == 2) {
                const unsigned v = in[0] | (in[1] << 8);
                target[0] = static_cast<std::uint8_t>((v & 0x1F) << 3);
                target[1] = static_cast<std::uint8_t>(((v >> 5) & 0x3F) << 2);
                target[2] = static_cast<std::uint8_t>((v >> 11) << 3);
                continue;
            }
            for (int b = 0; b < bpp; ++b) {
                target[b] = in[b];
            }
            if (redFirst) {
                std::swap(target[0], target[2]);
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int width = input.ConsumeIntegralInRange(-2, 70);
    const int height = input.ConsumeIntegralInRange(-2, 70);
    const int bpp = input.ConsumeIntegralInRange(0, 5);
    const bool rotate = input.ConsumeBool();
    const bool redFirst = input.ConsumeBool();
    // Exactly the bytes the phone sent, on the heap, so that one byte more is an ASan report.
    const std::vector<std::uint8_t> pixels = input.ConsumeRemainingBytes<std::uint8_t>();
    const auto order = redFirst ? BitmapPixelOrder::RedFirst : BitmapPixelOrder::BlueFirst;

    const std::vector<std::uint8_t> encoded =
        EncodeBitmap(height, bpp, pixels, width, rotate, order);
    const bool acceptable = width > 0 && height > 0 && bpp >= 2 && bpp <= 4 &&
                            pixels.size() >= static_cast<std::size_t>(width) * height * bpp;
    FUZZ_CHECK(encoded.empty() != acceptable);
    if (!acceptable) {
        return 0;
    }
    const std::vector<std::uint8_t> expected =
        Reference(height, bpp, pixels, width, rotate, redFirst && bpp != 2);
    FUZZ_CHECK(encoded == expected);

    static const std::string path = "/tmp/penlow-fuzz-bitmap-" + std::to_string(getpid()) + ".bmp";
    FUZZ_CHECK(WriteBitmap(height, bpp, pixels, path, width, rotate, order));
    FUZZ_CHECK(ReadFile(path) == expected);
    std::remove(path.c_str());
    return 0;
}
