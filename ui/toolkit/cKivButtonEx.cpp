#include "cKivButtonEx.h"

#include "KivResourceCache.h"

#include <QPainter>
#include <QStyleOptionButton>

cKivButtonEx::cKivButtonEx(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_callback) {
            m_callback(1, this, m_user);
        }
    });
}

void cKivButtonEx::SetPictures(int normal, int pressed, int hover, int disabled) {
    m_normal = CachedResourcePicture(normal);
    m_pressed = CachedResourcePicture(pressed);
    m_hover = CachedResourcePicture(hover);
    m_disabled = CachedResourcePicture(disabled);
    updateGeometry();
    update();
}

void cKivButtonEx::SetClick(ClickCallback callback, std::intptr_t user) {
    m_callback = std::move(callback);
    m_user = user;
}

void cKivButtonEx::SetBackground(const QColor& color) {
    m_background = color;
    update();
}

QSize cKivButtonEx::sizeHint() const {
    return m_normal ? m_normal->size() : QSize(60, 21);
}

void cKivButtonEx::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void cKivButtonEx::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void cKivButtonEx::drawSystemFrame(QPainter& painter, bool sunken) {
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= sunken ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
}

// Pictures are drawn 1:1 from the top-left corner, cropped to the button.
void cKivButtonEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    auto draw = [&](const KivImage* picture) {
        DrawImage(painter, *picture, QRect(QPoint(0, 0), picture->size()).intersected(rect()),
                  QRect(QPoint(0, 0), picture->size()).intersected(rect()));
    };
    if (isDown()) {
        m_pressed ? draw(m_pressed) : drawSystemFrame(painter, true);
    } else if (m_hovered && isEnabled()) {
        if (m_hover) {
            draw(m_hover);
        }
    } else if (!isEnabled() && m_disabled) {
        draw(m_disabled);
    } else if (m_normal) {
        draw(m_normal);
    } else {
        drawSystemFrame(painter, false);
    }
}
