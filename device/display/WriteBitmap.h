// The screenshot bitmap writer: raw frame-buffer pixels to an uncompressed BMP file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// Largest pixel buffer the writer accepts (width x height x bytes per pixel).
inline constexpr std::uint64_t kMaxBitmapPixelBytes = 256ull * 1024 * 1024;

/// Byte order of 3- and 4-byte input pixels. BMP files hold blue, green, red[, alpha];
/// `RedFirst` input has red and blue exchanged while it is written.
enum class BitmapPixelOrder { BlueFirst, RedFirst };

/// The bytes of a BMP file for `pixels`: `height` rows of `width` pixels, top row first.
/// `bytesPerPixel` 2 is little-endian RGB 565 (written as 24-bit blue, green, red); 3 and 4
/// are copied into a 24- or 32-bit picture. Rows are stored bottom-up, padded to whole 4-byte
/// words; `rotate` turns the picture by 180 degrees. Empty when a size is not positive,
/// `bytesPerPixel` is not 2, 3 or 4, `pixels` is shorter than the frame, or the frame exceeds
/// kMaxBitmapPixelBytes.
std::vector<std::uint8_t> EncodeBitmap(int height, int bytesPerPixel,
                                       std::span<const std::uint8_t> pixels, int width, bool rotate,
                                       BitmapPixelOrder order = BitmapPixelOrder::BlueFirst);

/// Writes the EncodeBitmap(...) bytes to `path`, replacing an existing file (the old file is
/// unlinked first, so a link at that name is replaced, never followed). False when there is
/// nothing to write or the file cannot be written completely.
[[nodiscard]] bool WriteBitmap(int height, int bytesPerPixel, std::span<const std::uint8_t> pixels,
                               const std::string& path, int width, bool rotate,
                               BitmapPixelOrder order = BitmapPixelOrder::BlueFirst);
