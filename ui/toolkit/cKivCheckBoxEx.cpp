#include "cKivCheckBoxEx.h"

#include "KivResourceCache.h"

#include <QMouseEvent>
#include <QPainter>

cKivCheckBoxEx::cKivCheckBoxEx(QWidget* parent)
    : QWidget(parent), m_unchecked(CachedResourcePicture(182)),
      m_checkedPicture(CachedResourcePicture(183)), m_hoverPicture(CachedResourcePicture(184)) {}

void cKivCheckBoxEx::setChecked(bool checked) {
    m_checked = checked;
    update();
}

void cKivCheckBoxEx::SetClick(ClickCallback callback, std::intptr_t user) {
    m_callback = std::move(callback);
    m_user = user;
}

void cKivCheckBoxEx::SetBackground(const QColor& color) {
    m_background = color;
    update();
}

QSize cKivCheckBoxEx::sizeHint() const {
    return m_unchecked ? m_unchecked->size() : QSize(21, 19);
}

void cKivCheckBoxEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    const KivImage* picture =
        m_checked ? m_checkedPicture : (m_hovered ? m_hoverPicture : m_unchecked);
    if (picture) {
        const QRect area = QRect(QPoint(0, 0), picture->size()).intersected(rect());
        DrawImage(painter, *picture, area, area);
    }
}

void cKivCheckBoxEx::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
}

void cKivCheckBoxEx::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click counts as a click of its own.
    mousePressEvent(event);
}

void cKivCheckBoxEx::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (!click) {
        return;
    }
    m_checked = !m_checked;
    update();
    if (m_callback) {
        m_callback(m_checked, m_user);
    }
}

void cKivCheckBoxEx::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void cKivCheckBoxEx::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}
