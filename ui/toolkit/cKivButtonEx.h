// cKivButtonEx: a push button drawn from built-in resource pictures, one per state, reporting
// clicks through a callback with a user value.
#pragma once

#include "KivImage.h"

#include <QAbstractButton>
#include <QColor>

#include <cstdint>
#include <functional>

class cKivButtonEx : public QAbstractButton {
    Q_OBJECT
public:
    /// (code 1, the button, the user value)
    using ClickCallback = std::function<void(int code, cKivButtonEx* button, std::intptr_t user)>;

    explicit cKivButtonEx(QWidget* parent = nullptr);

    /// Resource picture ids in the order normal, pressed, hover, disabled; 0 = no picture.
    /// Repaints.
    void SetPictures(int normal, int pressed, int hover, int disabled);
    void SetClick(ClickCallback callback, std::intptr_t user);
    void SetBackground(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawSystemFrame(QPainter& painter, bool sunken);

    const KivImage* m_normal = nullptr;
    const KivImage* m_pressed = nullptr;
    const KivImage* m_hover = nullptr;
    const KivImage* m_disabled = nullptr;
    ClickCallback m_callback;
    std::intptr_t m_user = 0;
    QColor m_background = Qt::white;
    bool m_hovered = false;
};
