// The screenshot bitmap writer: header bytes, pixel conversions, row order and rotation, and
// the pictures an ordinary BMP reader (QImage) makes of the files.
#include "device/display/WriteBitmap.h"

#include "TempDir.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::uint32_t u32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::uint16_t u16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// 2 x 2 pixels of 4 bytes, B G R A order, each byte naming its pixel (10, 20, 30, 40).
const std::vector<std::uint8_t> kFour = {10, 11, 12, 13, 20, 21, 22, 23,
                                         30, 31, 32, 33, 40, 41, 42, 43};

TEST(WriteBitmap, HeaderOf32BitPicture) {
    auto file = EncodeBitmap(2, 4, kFour, 2, false);
    ASSERT_EQ(file.size(), 54u + 16u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32(file, 2), 70u);  // file size
    EXPECT_EQ(u32(file, 6), 0u);   // reserved
    EXPECT_EQ(u32(file, 10), 54u); // pixel data offset
    EXPECT_EQ(u32(file, 14), 40u); // info header size
    EXPECT_EQ(u32(file, 18), 2u);  // width
    EXPECT_EQ(u32(file, 22), 2u);  // height, positive: bottom-up
    EXPECT_EQ(u16(file, 26), 1u);  // planes
    EXPECT_EQ(u16(file, 28), 32u); // bits per pixel
    for (std::size_t at = 30; at < 54; ++at) {
        EXPECT_EQ(file[at], 0) << "byte " << at;
    }
}

TEST(WriteBitmap, RowsBottomUpOrTurnedHalfRound) {
    auto upright = EncodeBitmap(2, 4, kFour, 2, false);
    std::vector<std::uint8_t> expected = {30, 31, 32, 33, 40, 41, 42, 43,
                                          10, 11, 12, 13, 20, 21, 22, 23};
    EXPECT_EQ(std::vector<std::uint8_t>(upright.begin() + 54, upright.end()), expected);

    auto rotated = EncodeBitmap(2, 4, kFour, 2, true);
    expected = {20, 21, 22, 23, 10, 11, 12, 13, 40, 41, 42, 43, 30, 31, 32, 33};
    EXPECT_EQ(std::vector<std::uint8_t>(rotated.begin() + 54, rotated.end()), expected);
}

TEST(WriteBitmap, RedFirstPixelsHaveRedAndBlueExchanged) {
    std::vector<std::uint8_t> expected = {32, 31, 30, 33, 42, 41, 40, 43,
                                          12, 11, 10, 13, 22, 21, 20, 23};
    auto upright = EncodeBitmap(2, 4, kFour, 2, false, BitmapPixelOrder::RedFirst);
    EXPECT_EQ(std::vector<std::uint8_t>(upright.begin() + 54, upright.end()), expected);
    auto rotated = EncodeBitmap(2, 4, kFour, 2, true, BitmapPixelOrder::RedFirst);
    expected = {22, 21, 20, 23, 12, 11, 10, 13, 42, 41, 40, 43, 32, 31, 30, 33};
    EXPECT_EQ(std::vector<std::uint8_t>(rotated.begin() + 54, rotated.end()), expected);
    // Three bytes per pixel: one row of two pixels, padded to 8 bytes.
    std::vector<std::uint8_t> three = {1, 2, 3, 4, 5, 6};
    auto packed = EncodeBitmap(1, 3, three, 2, false, BitmapPixelOrder::RedFirst);
    EXPECT_EQ(std::vector<std::uint8_t>(packed.begin() + 54, packed.end()),
              (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 0, 0}));
    // RGB 565 has no byte order to exchange.
    std::vector<std::uint8_t> red565 = {0x00, 0xF8};
    auto red = EncodeBitmap(1, 2, red565, 1, false, BitmapPixelOrder::RedFirst);
    EXPECT_EQ(red[54 + 2], 248);
}

TEST(WriteBitmap, Rgb565ExpandsToBlueGreenRed) {
    // Red bits only; green bits only; blue bits only; all bits.
    std::vector<std::uint8_t> pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF};
    auto file = EncodeBitmap(1, 2, pixels, 4, false);
    ASSERT_EQ(u16(file, 28), 24u);
    ASSERT_EQ(file.size(), 54u + 12u);
    std::vector<std::uint8_t> expected = {0, 0, 248, 0, 252, 0, 248, 0, 0, 248, 252, 248};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()), expected);
}

TEST(WriteBitmap, OddWidthRowsArePaddedToWholeWords) {
    // 3 x 2 pixels of RGB 565 make 9-byte rows, stored as 12.
    std::vector<std::uint8_t> pixels(3 * 2 * 2, 0xFF);
    auto file = EncodeBitmap(2, 2, pixels, 3, false);
    EXPECT_EQ(file.size(), 54u + 24u);
    EXPECT_EQ(u32(file, 2), 78u);
    EXPECT_EQ(file[54 + 9], 0);
    EXPECT_EQ(file[54 + 12], 248);
}

TEST(WriteBitmap, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(EncodeBitmap(0, 4, kFour, 2, false).empty());
    EXPECT_TRUE(EncodeBitmap(2, 4, kFour, -1, false).empty());
    EXPECT_TRUE(EncodeBitmap(2, 1, kFour, 2, false).empty());
    EXPECT_TRUE(EncodeBitmap(2, 8, kFour, 1, false).empty());
    EXPECT_TRUE(EncodeBitmap(3, 4, kFour, 2, false).empty()); // buffer shorter than the frame
    EXPECT_TRUE(EncodeBitmap(1 << 30, 4, kFour, 1 << 30, false).empty());
    testsupport::TempDir dir;
    EXPECT_FALSE(WriteBitmap(2, 4, kFour, dir.file("none/x.bmp"), 2, false));
    EXPECT_FALSE(WriteBitmap(0, 4, kFour, dir.file("x.bmp"), 2, false));
}

TEST(WriteBitmap, FilesDecodeToTheSourcePicture) {
    // 5 x 3 pixels with distinct colours, as 32-bit B G R A, R G B A and RGB 565 (five pixels
    // a row: four go through the vector path, one through the tail).
    const int width = 5;
    const int height = 3;
    std::vector<std::uint8_t> bgra;
    std::vector<std::uint8_t> rgba;
    std::vector<std::uint8_t> rgb565;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int r = 40 * x, g = 80 * y, b = 8 * (x + y);
            bgra.insert(bgra.end(), {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), 255});
            rgba.insert(rgba.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 255});
            unsigned v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
            rgb565.insert(rgb565.end(), {std::uint8_t(v & 0xFF), std::uint8_t(v >> 8)});
        }
    }
    testsupport::TempDir dir;
    for (bool rotate : {false, true}) {
        ASSERT_TRUE(WriteBitmap(height, 4, bgra, dir.file("a.bmp"), width, rotate));
        ASSERT_TRUE(WriteBitmap(height, 2, rgb565, dir.file("b.bmp"), width, rotate));
        ASSERT_TRUE(WriteBitmap(height, 4, rgba, dir.file("c.bmp"), width, rotate,
                                BitmapPixelOrder::RedFirst));
        QImage full(QString::fromStdString(dir.file("a.bmp")));
        QImage swapped(QString::fromStdString(dir.file("c.bmp")));
        QImage packed(QString::fromStdString(dir.file("b.bmp")));
        ASSERT_EQ(full.size(), QSize(width, height));
        ASSERT_EQ(packed.size(), QSize(width, height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                int sx = rotate ? width - 1 - x : x;
                int sy = rotate ? height - 1 - y : y;
                QRgb want = qRgb(40 * sx, 80 * sy, 8 * (sx + sy));
                EXPECT_EQ(full.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
                EXPECT_EQ(swapped.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
                QRgb quantised = qRgb(qRed(want) & 0xF8, qGreen(want) & 0xFC, qBlue(want) & 0xF8);
                EXPECT_EQ(packed.pixel(x, y) & 0xFFFFFF, quantised & 0xFFFFFF) << x << "," << y;
            }
        }
    }
}

} // namespace
