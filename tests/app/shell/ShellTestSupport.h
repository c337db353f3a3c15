// Helpers for the shell's window tests: acting on a modal dialog or popup while it runs, and
// catching the web addresses the program opens.
#pragma once

#include <QApplication>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace shelltest {

/// Calls `act` with the first active modal dialog or popup of type T once it appears
/// (checked every 10 ms for up to 5 s); the check keeps running inside nested event loops.
template <class T> void WhenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, act] {
        QWidget* candidate = QApplication::activePopupWidget();
        if (!qobject_cast<T*>(candidate)) {
            candidate = QApplication::activeModalWidget();
        }
        if (T* shown = qobject_cast<T*>(candidate); shown && shown->isVisible()) {
            timer->deleteLater();
            timer->stop();
            act(shown);
        } else if (++*waited > 500) {
            timer->deleteLater();
            timer->stop();
        }
    });
    timer->start(10);
}

/// Records every http/https address handed to the desktop while it lives.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls();
    ~OpenedUrls() override;
    QStringList urls;

public slots:
    void open(const QUrl& url) { urls << url.toString(); }
};

} // namespace shelltest
