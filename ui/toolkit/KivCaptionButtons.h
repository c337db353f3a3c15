// The caption-button pass: which caption button a mouse event hits, how each button is drawn,
// and which one was clicked. Pure logic over rectangles, so the hit rules are testable alone.
//
// Buttons are laid out from the right edge in the order close, maximise, minimise, custom 1,
// custom 2 (those present), each vertically centred in the caption strip; a press, a move off
// the button and a release elsewhere never clicks (and every release ends the press); clicks
// in the gaps between buttons are swallowed.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <vector>

enum class KivCaptionButton { Close = 0, Maximise = 1, Minimise = 2, Custom1 = 3, Custom2 = 4 };
inline constexpr int kCaptionButtonCount = 5;

enum class KivCaptionEvent { Move, Down, Up, Leave, Paint, Other };
enum class KivCaptionState { Normal, Hover, Pressed, Clicked };

/// A present caption button and the size of its normal picture.
struct KivCaptionSlot {
    KivCaptionButton button;
    QSize size;
};

/// Process-wide tracking: the last caption button entered or pressed, and the pressed flag.
struct KivCaptionTracking {
    int last = -1;
    bool pressed = false;
};

struct KivCaptionPassResult {
    std::array<KivCaptionState, kCaptionButtonCount> states{};
    std::array<QRect, kCaptionButtonCount> rects{};
    bool handled = false;
    int clicked = -1; ///< KivCaptionButton index, -1 for none
};

/// Runs the pass for `event` at `point` (window coordinates) over `buttons` (in layout order)
/// of a window `windowWidth` wide whose caption strip is `captionHeight` high.
KivCaptionPassResult RunCaptionPass(KivCaptionEvent event, QPoint point, int captionHeight,
                                    int windowWidth, const std::vector<KivCaptionSlot>& buttons,
                                    KivCaptionTracking& tracking);
