// The flying icon: when the store starts a download, a small picture flies from the mouse
// pointer along a curve to the downloads tab of the main window, growing to full size half
// way and shrinking again. One flight at a time; the main window stays usable during it (a
// download started during a flight still starts, it only has no flight of its own).
#pragma once

#include <vector>

/// One step of a flight: the picture's top-left corner in the main window's client area and
/// its scale (0 to 1].
struct FlyingIconStep {
    int x = 0;
    int y = 0;
    double scale = 1.0;
};

/// The steps of a flight from the pointer at (dx, dy) of the client area to (38, 194): with
/// a = dx - 38 and b = 194 - dy, x runs a - 20, a - 40, ... down to 0 and the corner is at
/// (38 + x, 194 - y(x)), y(x) = -320 x²/a² + (b + 320) x / a. No steps when a < 20.
std::vector<FlyingIconStep> FlyingIconPath(int dx, int dy);

/// Starts a flight from the mouse pointer over the main window (UI thread), unless one is
/// under way or there is no main window.
void StartFlyingIcon();

/// Whether a flight is under way.
bool FlyingIconActive();
