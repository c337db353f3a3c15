#include "cKivInstAnim.h"

#include "KivImage.h"
#include "KivResourceCache.h"

#include <QPainter>
#include <QTimerEvent>

cKivInstAnim::cKivInstAnim(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void cKivInstAnim::AddFrame(int id) {
    const KivImage* frame = CachedResourcePicture(id);
    if (!frame) {
        return;
    }
    if (m_frames.empty()) {
        m_frameSize = frame->size();
    }
    m_frames.push_back(frame);
}

void cKivInstAnim::Start() {
    if (m_running || m_frames.empty()) {
        return;
    }
    m_timer.start(kFrameMs, this);
    m_index = 0;
    m_running = true;
    update();
}

void cKivInstAnim::Stop() {
    if (!m_running) {
        return;
    }
    m_timer.stop();
    m_running = false;
    m_index = 0;
    update();
}

void cKivInstAnim::SetBackground(const QColor& color) {
    m_background = color;
    update();
}

QSize cKivInstAnim::sizeHint() const {
    return m_frameSize.isValid() ? m_frameSize : QSize(139, 5);
}

void cKivInstAnim::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_index = (m_index + 1) % frameCount();
    update();
}

void cKivInstAnim::paintEvent(QPaintEvent*) {
    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(m_background);
    if (m_running && !m_frames.empty()) {
        QPainter composer(&buffer);
        const KivImage& frame = *m_frames[static_cast<std::size_t>(m_index)];
        const QRect area = QRect(QPoint(0, 0), frame.size()).intersected(rect());
        DrawImage(composer, frame, area, area);
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), buffer);
}
