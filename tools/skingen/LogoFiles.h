// logo.png and logo.ico: the product mark as a picture and as a multi-size icon file.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace skingen {

/// The product mark drawn at `side` x `side` pixels on a transparent background.
QImage LogoImage(int side);

/// An ICO file holding one 32-bit entry (BGRA + AND mask) per image; images must be square
/// and at most 256 pixels.
QByteArray EncodeIco(const std::vector<QImage>& images);

} // namespace skingen
