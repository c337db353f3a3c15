// The frame, button and picture handlers of the shared skin procedure.
#include "KivSkinProcedure.h"

#include "KivDialog.h"
#include "KivSkinTable.h"
#include "KivWindowDrag.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace {

using Entry = KivSkinTable::Entry;

KivCaptionTracking& Tracking() {
    static KivCaptionTracking tracking;
    return tracking;
}

int CaptionHeightOf(const QWidget* window) {
    const auto* dialog = qobject_cast<const KivDialog*>(window);
    return dialog ? dialog->clientTop() : 0;
}

const KivCaptionPictures& PicturesOf(const KivFrameSkin& skin, KivCaptionButton button) {
    switch (button) {
    case KivCaptionButton::Close:
        return skin.close;
    case KivCaptionButton::Maximise:
        return skin.maximise;
    case KivCaptionButton::Minimise:
        return skin.minimise;
    case KivCaptionButton::Custom1:
        return skin.custom1;
    case KivCaptionButton::Custom2:
        return skin.custom2;
    }
    return skin.close;
}

// The caption buttons of `window`, in layout order.
std::vector<KivCaptionSlot> SlotsOf(const QWidget* window, const KivFrameSkin& skin) {
    std::vector<KivCaptionSlot> buttons;
    const Qt::WindowFlags flags = window->windowFlags();
    auto add = [&](KivCaptionButton button, bool present) {
        if (present) {
            buttons.push_back({button, PicturesOf(skin, button).normal.size()});
        }
    };
    add(KivCaptionButton::Close, flags.testFlag(Qt::WindowSystemMenuHint));
    add(KivCaptionButton::Maximise, flags.testFlag(Qt::WindowMaximizeButtonHint));
    add(KivCaptionButton::Minimise, flags.testFlag(Qt::WindowMinimizeButtonHint));
    add(KivCaptionButton::Custom1, skin.custom1Present);
    add(KivCaptionButton::Custom2, skin.custom2Present);
    return buttons;
}

void PaintFrame(QWidget* window, const Entry& entry) {
    QPainter painter(window);
    BlitImage(painter, entry.frame->background, 0, 0, window->width(), window->height());
    const int caption = CaptionHeightOf(window);
    if (caption <= 0) {
        return;
    }
    KivCaptionTracking scratch;
    const KivCaptionPassResult layout =
        RunCaptionPass(KivCaptionEvent::Other, QPoint(-1, -1), caption, window->width(),
                       SlotsOf(window, *entry.frame), scratch);
    for (const KivCaptionSlot& slot : SlotsOf(window, *entry.frame)) {
        const int i = static_cast<int>(slot.button);
        const KivCaptionPictures& pictures = PicturesOf(*entry.frame, slot.button);
        const KivImage* picture = &pictures.normal;
        if (entry.caption[i] == KivCaptionState::Hover ||
            entry.caption[i] == KivCaptionState::Clicked) {
            picture = &pictures.hover;
        } else if (entry.caption[i] == KivCaptionState::Pressed) {
            picture = &pictures.pressed;
        }
        DrawImage(painter, *picture, layout.rects[i], QRect(QPoint(0, 0), picture->size()));
    }
}

void RunCaptionAction(QWidget* window, const KivFrameSkin& skin, int clicked) {
    QPointer<QWidget> target(window);
    std::function<void()> action;
    switch (static_cast<KivCaptionButton>(clicked)) {
    case KivCaptionButton::Close:
        action = [target] {
            if (target)
                target->close();
        };
        break;
    case KivCaptionButton::Maximise:
        action = [target] {
            if (target)
                target->showMaximized();
        };
        break;
    case KivCaptionButton::Minimise:
        action = [target] {
            if (target)
                target->showMinimized();
        };
        break;
    case KivCaptionButton::Custom1:
        action = skin.custom1Action;
        break;
    case KivCaptionButton::Custom2:
        action = skin.custom2Action;
        break;
    }
    if (action) {
        // After the mouse event is done: the action may run a modal dialog or close the window.
        QMetaObject::invokeMethod(window, action, Qt::QueuedConnection);
    }
}

// What a mouse event of a framed window means to the caption-button pass; nothing for a
// press in the client area, which is the dialog's own.
std::optional<KivCaptionEvent> CaptionEventOf(const QEvent* event, int caption, QPoint& point) {
    if (event->type() == QEvent::Leave) {
        return KivCaptionEvent::Leave;
    }
    const auto* me = static_cast<const QMouseEvent*>(event);
    point = me->position().toPoint();
    const bool inStrip = point.y() >= 0 && point.y() < caption;
    const bool left = me->button() == Qt::LeftButton;
    switch (event->type()) {
    case QEvent::MouseMove:
        return KivCaptionEvent::Move;
    case QEvent::MouseButtonPress:
        if (!inStrip) {
            return std::nullopt;
        }
        return left ? KivCaptionEvent::Down : KivCaptionEvent::Other;
    case QEvent::MouseButtonRelease:
        // A release in the client area ends a press that began on a caption button.
        if (!inStrip) {
            return KivCaptionEvent::Leave;
        }
        return left ? KivCaptionEvent::Up : KivCaptionEvent::Other;
    default:
        return KivCaptionEvent::Other;
    }
}

// Mouse events of a framed window; true when the event is used up by the caption strip.
bool CaptionMouse(QWidget* window, Entry& entry, QEvent* event) {
    const int caption = CaptionHeightOf(window);
    QPoint point(-1, -1);
    const std::optional<KivCaptionEvent> kind =
        caption > 0 ? CaptionEventOf(event, caption, point) : std::nullopt;
    if (!kind) {
        return false;
    }
    const KivCaptionPassResult pass = RunCaptionPass(*kind, point, caption, window->width(),
                                                     SlotsOf(window, *entry.frame), Tracking());
    if (pass.states != entry.caption) {
        entry.caption = pass.states;
        window->update(QRect(0, 0, window->width(), caption));
    }
    if (pass.clicked >= 0) {
        RunCaptionAction(window, *entry.frame, pass.clicked);
    }
    if (*kind == KivCaptionEvent::Down && !pass.handled) {
        // A press on the empty caption moves the window, as the system caption would.
        BeginWindowDrag(window, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return pass.handled && (*kind == KivCaptionEvent::Down || *kind == KivCaptionEvent::Up);
}

bool FrameHandler(QWidget* window, Entry& entry, QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
        PaintFrame(window, entry);
        return true;
    case QEvent::Show:
        window->clearMask();
        return false;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Leave:
        return CaptionMouse(window, entry, event);
    default:
        return false;
    }
}

void PaintButton(QWidget* button, const Entry& entry) {
    const KivButtonSkin& skin = *entry.button;
    const int state = button->isEnabled() ? entry.mouseState : kButtonDisabled;
    QPainter painter(button);
    DrawImageStretched(painter, skin.pictures[state], button->rect());
    const auto* textButton = qobject_cast<const QAbstractButton*>(button);
    if (skin.drawText && textButton) {
        painter.setFont(button->font());
        painter.setPen(skin.textColors[state]);
        const QRect area = skin.textRect.isEmpty() ? button->rect() : skin.textRect;
        painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, textButton->text());
    }
}

void SetMouseState(QWidget* button, Entry& entry, KivButtonState state) {
    if (entry.mouseState != state) {
        entry.mouseState = state;
        button->update();
    }
}

bool ButtonHandler(QWidget* button, Entry& entry, QEvent* event) {
    const bool hand = entry.button->handCursor;
    switch (event->type()) {
    case QEvent::Paint:
        PaintButton(button, entry);
        return true;
    case QEvent::EnabledChange:
        button->update();
        return false;
    case QEvent::Enter:
        if (hand) {
            button->setCursor(Qt::PointingHandCursor);
        }
        SetMouseState(button, entry, kButtonHover);
        return false;
    case QEvent::MouseMove:
        // Moving while the button is held keeps the pressed look.
        if (!(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
            SetMouseState(button, entry, kButtonHover);
        }
        return false;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            SetMouseState(button, entry, kButtonPressed);
        }
        return false;
    case QEvent::MouseButtonRelease:
        SetMouseState(button, entry, kButtonHover);
        return false;
    case QEvent::Leave:
        if (hand) {
            button->unsetCursor();
        }
        SetMouseState(button, entry, kButtonNormal);
        return false;
    default:
        return false;
    }
}

bool PictureHandler(QWidget* control, const Entry& entry, QEvent* event) {
    if (event->type() != QEvent::Paint) {
        return false;
    }
    if (entry.picture && !entry.picture->isNull()) {
        QPainter painter(control);
        DrawImageStretched(painter, *entry.picture, control->rect());
    }
    return true; // the control's own text is never drawn
}

} // namespace

KivCaptionTracking& CaptionTrackingForTesting() {
    return Tracking();
}

KivSkinProcedure& KivSkinProcedure::instance() {
    static KivSkinProcedure procedure;
    return procedure;
}

void KivSkinProcedure::subclass(QWidget* window) {
    window->installEventFilter(this);
}

void KivSkinProcedure::unsubclass(QWidget* window) {
    window->removeEventFilter(this);
}

bool KivSkinProcedure::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) {
        return false;
    }
    auto* window = static_cast<QWidget*>(watched);
    Entry* entry = KivSkinTable::instance().find(window);
    if (!entry) {
        return false;
    }
    switch (entry->kind) {
    case KivSkinKind::Frame:
        return entry->frame && FrameHandler(window, *entry, event);
    case KivSkinKind::Button:
        return entry->button && ButtonHandler(window, *entry, event);
    case KivSkinKind::Picture:
        return entry->picture && PictureHandler(window, *entry, event);
    }
    return false;
}
