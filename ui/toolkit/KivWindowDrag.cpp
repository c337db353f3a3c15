// The window system's interactive move where available (X11 window managers, Wayland);
// otherwise an application event filter moves the window with the mouse until release.
#include "KivWindowDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

class ManualDrag : public QObject {
public:
    ManualDrag(QWidget* window, QPoint pressedAt)
        : m_window(window), m_pressedAt(pressedAt), m_startPos(window->pos()) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (m_window && (me->buttons() & Qt::LeftButton)) {
                m_window->move(m_startPos + (me->globalPosition().toPoint() - m_pressedAt));
                return true;
            }
        }
        if (event->type() == QEvent::MouseButtonRelease || !m_window) {
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QPoint m_pressedAt;
    QPoint m_startPos;
};

} // namespace

void BeginWindowDrag(QWidget* widget, QPoint pressedAt) {
    QWidget* window = widget ? widget->window() : nullptr;
    if (!window) {
        return;
    }
    if (QWindow* handle = window->windowHandle(); handle && handle->startSystemMove()) {
        return;
    }
    new ManualDrag(window, pressedAt);
}
