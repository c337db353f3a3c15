#include "KivDialog.h"

#include "KivWindowDrag.h"

#include <QMouseEvent>

namespace {

Qt::WindowFlags FlagsFor(KivDialog::Frame frame) {
    const Qt::WindowFlags captioned =
        Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    switch (frame) {
    case KivDialog::Frame::Window:
        return Qt::Window | captioned;
    case KivDialog::Frame::Dialog:
        return Qt::Dialog | captioned;
    case KivDialog::Frame::Popup:
        return Qt::Popup | Qt::FramelessWindowHint;
    case KivDialog::Frame::Child:
        return Qt::Widget;
    }
    return Qt::Widget;
}

} // namespace

KivDialog::KivDialog(QWidget* parent, Frame frame)
    : QDialog(parent, FlagsFor(frame)), m_frame(frame),
      m_cancel(frame == Frame::Child ? Cancel::Ignore : Cancel::EndDialog) {
    m_okIgnored = frame == Frame::Child;
    if (frame == Frame::Child) {
        // QDialog turns a plain widget type into a dialog window; a page is a child widget.
        setWindowFlags(Qt::Widget);
    }
    if (frame == Frame::Popup) {
        // The click that closes the popup must not also reach the widget under it.
        setAttribute(Qt::WA_NoMouseReplay);
    }
}

KivDialog::~KivDialog() = default;

void KivDialog::initialise() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    // The polish event is this dialog's first event, so the dialog hook registers it before
    // the subclass attaches its skins.
    ensurePolished();
    onInitDialog();
}

void KivDialog::setVisible(bool visible) {
    if (visible) {
        initialise();
    }
    QDialog::setVisible(visible);
}

int KivDialog::clientTop() const {
    return (m_frame == Frame::Window || m_frame == Frame::Dialog) ? kCaptionHeight : 0;
}

QRect KivDialog::clientRect() const {
    const int top = clientTop();
    return QRect(0, top, width(), qMax(0, height() - top));
}

void KivDialog::placeInClient(QWidget* child, int x, int y, int width, int height) const {
    child->setGeometry(x, y + clientTop(), width, height);
}

KivResult KivDialog::onKivMessage(unsigned message, KivWParam wParam, KivLParam lParam) {
    KivResult result = 0;
    dispatchKivMessage(message, wParam, lParam, result);
    return result;
}

bool KivDialog::dispatchKivMessage(unsigned, KivWParam, KivLParam, KivResult&) {
    return false;
}

void KivDialog::accept() {
    if (!m_okIgnored) {
        QDialog::accept();
    }
}

void KivDialog::reject() {
    switch (m_cancel) {
    case Cancel::EndDialog:
        QDialog::reject();
        break;
    case Cancel::CloseTopLevel:
        if (QWidget* top = window(); top != this) {
            top->close();
        }
        break;
    case Cancel::Ignore:
        break;
    }
}

void KivDialog::mousePressEvent(QMouseEvent* event) {
    if (m_dragByEmptySpots && event->button() == Qt::LeftButton) {
        BeginWindowDrag(this, event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}
