// A window address that never dangles: the object the program's messages go to.
#pragma once

#include "KivMessages.h"

#include <QObject>
#include <QPointer>

/// Implemented by every window that receives the program's messages (dialogs, pages, lists).
class KivMessageReceiver {
public:
    /// Runs the handler of `message` and returns its result (0 when the window has none).
    /// Always called on the UI thread.
    virtual KivResult onKivMessage(unsigned message, KivWParam wParam, KivLParam lParam) = 0;

protected:
    ~KivMessageReceiver() = default;
};

/// Names one window. Copy it freely, on any thread; only the UI thread looks through it.
/// When the window is destroyed the handle turns dead and messages to it are dropped.
class KivWindowHandle {
public:
    KivWindowHandle() = default;
    /// UI thread. `object` is the QObject whose life the handle follows and `receiver` the
    /// same window's message interface.
    KivWindowHandle(QObject* object, KivMessageReceiver* receiver);

    /// The handle of a window that is both a QObject and a receiver.
    template <class Window> static KivWindowHandle of(Window* window) {
        return KivWindowHandle(window, window);
    }

    /// True for a default-constructed handle (it never named a window).
    bool isNull() const { return m_receiver == nullptr; }
    /// UI thread: the window still exists.
    bool isAlive() const { return m_receiver != nullptr && !m_object.isNull(); }
    /// UI thread: the window's object, or nullptr once it is gone.
    QObject* object() const { return m_object.data(); }
    /// UI thread: the receiver, or nullptr once the window is gone.
    KivMessageReceiver* receiver() const { return isAlive() ? m_receiver : nullptr; }

    bool operator==(const KivWindowHandle& other) const { return m_receiver == other.m_receiver; }

private:
    QPointer<QObject> m_object;
    KivMessageReceiver* m_receiver = nullptr;
};
