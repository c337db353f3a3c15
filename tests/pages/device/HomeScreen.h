// A phone home screen for phonesim to serve as the frame buffer: wallpaper, status bar with
// clock, a weather card, app icons with labels and a dock, drawn at any resolution. Variants
// differ in wallpaper and clock so that a test can see the screen change.
#pragma once

#include <QImage>
#include <QString>

namespace devicetest {

/// The home screen at `width` x `height`; `variant` picks the wallpaper and the time shown.
QImage DrawHomeScreen(int width, int height, int variant = 0);

/// Writes `image` as a binary PPM (P6) file, the format phonesim reads.
bool SavePpm(const QImage& image, const QString& path);

} // namespace devicetest
