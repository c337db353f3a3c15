#include "cKivProgressCtrlEx.h"

#include "KivImage.h"
#include "KivResourceCache.h"

#include <QPainter>

cKivProgressCtrlEx::cKivProgressCtrlEx(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void cKivProgressCtrlEx::LoadPictures() {
    m_frame = CachedResourcePicture(165);
    m_fill = CachedResourcePicture(166);
    update();
}

void cKivProgressCtrlEx::setRange(int low, int high) {
    m_low = low;
    m_high = high;
    update();
}

void cKivProgressCtrlEx::setPosition(int position) {
    m_position = position;
    update();
}

int cKivProgressCtrlEx::fillWidth(int clientWidth) const {
    if (m_high < m_low || m_position < m_low || m_position > m_high) {
        return -1;
    }
    if (m_position == m_high) {
        return clientWidth; // also covers an empty range (low == high)
    }
    return static_cast<int>(static_cast<long long>(m_position - m_low) * clientWidth /
                            (m_high - m_low));
}

QSize cKivProgressCtrlEx::sizeHint() const {
    return QSize(139, 8);
}

void cKivProgressCtrlEx::paintEvent(QPaintEvent*) {
    const int fill = fillWidth(width());
    if (fill < 0) {
        return;
    }
    // Composed off-screen, then copied in one go.
    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(Qt::transparent);
    {
        QPainter composer(&buffer);
        if (m_frame) {
            DrawImageStretched(composer, *m_frame, rect());
        }
        if (m_fill && fill > 0) {
            composer.setCompositionMode(QPainter::CompositionMode_Source);
            composer.drawImage(QRect(0, 0, fill, height()), m_fill->image());
        }
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), buffer);
}
