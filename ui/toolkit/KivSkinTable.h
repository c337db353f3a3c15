// The window-skin table and the machinery that paints skinned windows.
//
// Every dialog is entered in the table on its first event (the dialog hook, an application
// event filter); buttons and picture controls are entered when a skin is attached to them.
// An entered window gets the shared skin procedure (a per-widget event filter), which paints
// the window from its skin: a frame skin (background copied 1:1, caption buttons drawn and
// hit-tested in the caption strip), a button skin (state picture stretched, optional centred
// text) or a picture skin (one picture stretched). A window without a skin behaves as if it
// were not in the table. One skin per window; attaching another replaces it; the entry goes
// away with the window. UI thread only.
#pragma once

#include "KivCaptionButtons.h"
#include "KivSkins.h"

#include <QString>

#include <array>
#include <memory>
#include <optional>

class QAbstractButton;
class QWidget;

enum class KivSkinKind { Frame = 0, Button = 1, Picture = 2 };

class KivSkinTable {
public:
    static constexpr int kSlots = 400;

    struct Entry {
        KivSkinKind kind = KivSkinKind::Frame;
        QWidget* window = nullptr;
        std::shared_ptr<KivFrameSkin> frame;
        std::shared_ptr<KivButtonSkin> button;
        std::shared_ptr<KivImage> picture;
        KivButtonState mouseState = kButtonNormal;
        std::array<KivCaptionState, kCaptionButtonCount> caption{};
    };

    static KivSkinTable& instance();

    /// The window's entry, or nullptr.
    Entry* find(const QWidget* window);
    /// Enters `window` with `kind` in the first free slot and gives it the skin procedure.
    /// Returns the existing entry when there is one, nullptr when all slots are taken.
    Entry* enter(QWidget* window, KivSkinKind kind);
    /// Entries in use.
    int count() const;
    /// Frees every entry and takes the skin procedure off the windows that still exist.
    void clear();

private:
    void remove(const QWidget* window);
    std::array<std::optional<Entry>, kSlots> m_slots;
};

/// Installs / removes the application-wide dialog hook: installed before the first dialog is
/// created, removed first at exit. Removing it also frees the remaining entries.
void InstallDialogHook();
void RemoveDialogHook();
bool IsDialogHookInstalled();

/// Attaches a frame skin to a window already in the table (false, nothing done, otherwise)
/// and repaints it.
bool AttachFrameSkin(QWidget* window, std::shared_ptr<KivFrameSkin> skin);
/// Attaches a button skin, entering the button when needed, and repaints it. False when the
/// table is full.
bool AttachButtonSkin(QWidget* button, std::shared_ptr<KivButtonSkin> skin);
/// Attaches a picture skin (stretched over the control), entering the control when needed.
bool AttachPictureSkin(QWidget* control, std::shared_ptr<KivImage> picture);

/// Changes a skinned button's text with one repaint and no flicker.
void SetSkinnedButtonText(QAbstractButton* button, const QString& text);

/// The process-wide caption-button tracking (for tests).
KivCaptionTracking& CaptionTrackingForTesting();
