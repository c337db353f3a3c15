#include "KivCaptionButtons.h"

namespace {

// Borders included on all four sides.
bool Inside(QPoint p, int left, int top, int right, int bottom) {
    return p.x() >= left && p.x() <= right && p.y() >= top && p.y() <= bottom;
}

KivCaptionState StateInside(KivCaptionEvent event, int index, KivCaptionTracking& t) {
    switch (event) {
    case KivCaptionEvent::Move:
        if (t.last == index) {
            return t.pressed ? KivCaptionState::Pressed : KivCaptionState::Hover;
        }
        t.pressed = false;
        t.last = index;
        return KivCaptionState::Hover;
    case KivCaptionEvent::Down:
        t.pressed = true;
        t.last = index;
        return KivCaptionState::Pressed;
    case KivCaptionEvent::Up:
        if (t.last != index) {
            t.pressed = false;
            return KivCaptionState::Hover;
        }
        if (t.pressed) {
            t.pressed = false;
            return KivCaptionState::Clicked;
        }
        return KivCaptionState::Hover;
    default:
        return KivCaptionState::Normal;
    }
}

} // namespace

KivCaptionPassResult RunCaptionPass(KivCaptionEvent event, QPoint point, int captionHeight,
                                    int windowWidth, const std::vector<KivCaptionSlot>& buttons,
                                    KivCaptionTracking& tracking) {
    KivCaptionPassResult result;
    int edge = windowWidth;
    for (const KivCaptionSlot& slot : buttons) {
        const int index = static_cast<int>(slot.button);
        const int margin = (captionHeight - slot.size.height()) / 2;
        const int top = margin;
        const int bottom = margin + slot.size.height();
        const int right = edge - margin;
        const int left = right - slot.size.width();
        result.rects[index] = QRect(left, top, slot.size.width(), slot.size.height());
        KivCaptionState state = KivCaptionState::Normal;
        if (event == KivCaptionEvent::Leave || event == KivCaptionEvent::Paint) {
            tracking.pressed = false;
        } else if (Inside(point, left, top, right, bottom)) {
            state = StateInside(event, index, tracking);
        }
        result.states[index] = state;
        if (state == KivCaptionState::Pressed) {
            result.handled = true;
        }
        if (state == KivCaptionState::Clicked) {
            result.clicked = index;
        }
        edge = left;
    }
    if (event != KivCaptionEvent::Leave && event != KivCaptionEvent::Paint && point.x() >= edge) {
        result.handled = true;
    }
    // A release ends every press: one that began on a button and ends off all buttons must
    // not click that button at a later release.
    if (event == KivCaptionEvent::Up) {
        tracking.pressed = false;
    }
    return result;
}
