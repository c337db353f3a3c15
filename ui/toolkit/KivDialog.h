// KivDialog: the base of every dialog of the program (main window, its pages and panels,
// the secondary dialogs, the login dialog).
//
// - Messages: a KivDialog is a KivMessageReceiver; `handle()` is its window handle for
//   SendKivMessage/PostKivMessage, and each subclass answers through its own static message
//   map by overriding dispatchKivMessage (see KivMessageMap.h).
// - Initialisation: `initialise()` runs once, before the first show at the latest: it lets the
//   dialog hook see the dialog, then calls the subclass's onInitDialog().
// - Frames: a top-level dialog is a frameless window whose top kCaptionHeight pixels are its
//   caption strip (painted by the frame skin the KivSkinTable holds); its client area starts
//   below. A child page has no caption: its client area is the whole widget.
// - Dragging: when enabled, a left press on an empty spot moves the top-level window.
#pragma once

#include "KivMessageMap.h"
#include "KivMessaging.h"
#include "KivWindowHandle.h"

#include <QDialog>

/// Height of a top-level window's caption strip.
inline constexpr int kCaptionHeight = 30;

class KivDialog : public QDialog, public KivMessageReceiver {
    Q_OBJECT
public:
    enum class Frame {
        Window, ///< top-level frameless window with a caption strip (taskbar entry)
        Dialog, ///< top-level frameless dialog with a caption strip, owned by `parent`
        Popup,  ///< borderless popup without caption (closes when the user clicks elsewhere)
        Child,  ///< a page or panel inside another dialog
    };

    explicit KivDialog(QWidget* parent = nullptr, Frame frame = Frame::Dialog);
    ~KivDialog() override;

    KivWindowHandle handle() { return KivWindowHandle(this, this); }
    Frame frame() const { return m_frame; }

    /// Runs the initialisation once; later calls do nothing.
    void initialise();
    bool isInitialised() const { return m_initialised; }

    /// Top of the client area in widget coordinates (the caption height, or 0).
    int clientTop() const;
    /// The client area in widget coordinates.
    QRect clientRect() const;
    /// Places `child` at (x, y) of the client area with the given size.
    void placeInClient(QWidget* child, int x, int y, int width, int height) const;

    /// A left press on an empty spot of this dialog moves its top-level window.
    void setDragByEmptySpots(bool on) { m_dragByEmptySpots = on; }

    /// What cancel (Esc, closing) does: end this dialog (the default for top-level dialogs),
    /// ask the top-level window to close (pages whose Esc ends the program), or nothing (the
    /// default for child pages).
    enum class Cancel { EndDialog, CloseTopLevel, Ignore };
    void setCancelAction(Cancel action) { m_cancel = action; }
    /// OK (Enter on a default button, accept()) does nothing when set.
    void setOkIgnored(bool ignored) { m_okIgnored = ignored; }

    void accept() override;
    void reject() override;
    /// Showing initialises the dialog first.
    void setVisible(bool visible) override;

    KivResult onKivMessage(unsigned message, KivWParam wParam, KivLParam lParam) final;

protected:
    /// Runs once from initialise(); the place to attach skins and lay out controls.
    virtual void onInitDialog() {}
    /// The class's message map. Return false for messages the class does not handle.
    virtual bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                    KivResult& result);

    void mousePressEvent(QMouseEvent* event) override;

private:
    Frame m_frame;
    bool m_initialised = false;
    bool m_dragByEmptySpots = false;
    bool m_okIgnored = false;
    Cancel m_cancel;
};
