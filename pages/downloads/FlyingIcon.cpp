#include "FlyingIcon.h"

#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/KivImage.h"
#include "ui/toolkit/KivWindows.h"

#include <QCursor>
#include <QPainter>
#include <QPointer>
#include <QTimerEvent>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kTargetX = 38;
constexpr int kTargetY = 194;
constexpr int kStepPixels = 20;
constexpr int kStepMs = 20;

/// The picture in flight, painted over the main window's client area. It lets every mouse
/// event through and leaves the window enabled, so tabs, section buttons and the store's
/// download buttons keep working (and keep their looks) during a flight.
class FlyingIconOverlay : public QWidget {
public:
    FlyingIconOverlay(QWidget* window, int clientTop, std::vector<FlyingIconStep> steps)
        : QWidget(window), m_clientTop(clientTop), m_steps(std::move(steps)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        LoadSkin(m_picture, 1234);
        setGeometry(window->rect());
        raise();
        show();
        m_timer = startTimer(kStepMs, Qt::PreciseTimer);
    }

protected:
    void timerEvent(QTimerEvent*) override {
        ++m_index;
        if (m_index >= static_cast<int>(m_steps.size())) {
            killTimer(m_timer);
            deleteLater();
            return;
        }
        update();
    }

    void paintEvent(QPaintEvent*) override {
        if (m_picture.isNull() || m_index >= static_cast<int>(m_steps.size())) {
            return;
        }
        const FlyingIconStep& step = m_steps[static_cast<std::size_t>(m_index)];
        const QSize size(std::max(1, static_cast<int>(m_picture.width() * step.scale)),
                         std::max(1, static_cast<int>(m_picture.height() * step.scale)));
        QPainter painter(this);
        DrawImageStretched(painter, m_picture, QRect(QPoint(step.x, step.y + m_clientTop), size));
    }

private:
    int m_clientTop;
    std::vector<FlyingIconStep> m_steps;
    KivImage m_picture;
    int m_index = 0;
    int m_timer = 0;
};

QPointer<FlyingIconOverlay> g_flight; // UI thread

} // namespace

std::vector<FlyingIconStep> FlyingIconPath(int dx, int dy) {
    std::vector<FlyingIconStep> steps;
    const double a = dx - kTargetX;
    const double b = kTargetY - dy;
    if (a < kStepPixels) {
        return steps;
    }
    for (double x = a - kStepPixels; x >= 0; x -= kStepPixels) {
        const double y = -320.0 * x * x / (a * a) + (b + 320.0) * x / a;
        steps.push_back({kTargetX + static_cast<int>(x), kTargetY - static_cast<int>(y), 1.0});
    }
    // Growing by 1/n a step to full size half way, then shrinking the same way.
    const int n = std::max<int>(1, static_cast<int>(steps.size()) / 2);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const int fromEnd = static_cast<int>(steps.size() - 1 - i);
        const int k = std::min(static_cast<int>(i), fromEnd) + 1;
        steps[i].scale = std::min(1.0, static_cast<double>(k) / n);
    }
    return steps;
}

bool FlyingIconActive() {
    return !g_flight.isNull();
}

void StartFlyingIcon() {
    if (FlyingIconActive()) {
        return;
    }
    auto* window = qobject_cast<QWidget*>(WindowHandle(KivWindowRole::MainWindow).object());
    if (!window) {
        return;
    }
    auto* dialog = qobject_cast<KivDialog*>(window);
    const int clientTop = dialog ? dialog->clientTop() : 0;
    const QPoint pointer = window->mapFromGlobal(QCursor::pos()) - QPoint(0, clientTop);
    std::vector<FlyingIconStep> steps = FlyingIconPath(pointer.x(), pointer.y());
    if (steps.empty()) {
        return;
    }
    g_flight = new FlyingIconOverlay(window, clientTop, std::move(steps));
}
