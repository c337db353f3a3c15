// The busy animations: skins/0001 (wizard search), 0002 (driver step), 0003 (small spinner)
// and 0004 (connecting strip). Frames are drawn on white; the player stretches them.
#include "SkinKit.h"
#include "SkinScenes.h"
#include "SkinTable.h"

#include <cmath>

namespace skingen {
namespace {

QColor Mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

void DrawSearch(QPainter& p, QSize size, int index, int count) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    DrawMonitorShape(p, QRectF(96, 44, 100, 86), QColor(0x9A, 0xA4, 0xB2));
    const QPointF phoneCentre(380, 85);
    const qreal phase = qreal(index) / count;
    for (int ring = 0; ring < 2; ++ring) {
        const qreal t = std::fmod(phase + ring * 0.5, 1.0);
        QColor c = pal::kAccent;
        c.setAlphaF(0.35 * (1 - t));
        p.setPen(QPen(c, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(phoneCentre, 34 + 40 * t, 34 + 40 * t);
    }
    DrawPhoneOutline(p, QRectF(phoneCentre.x() - 24, phoneCentre.y() - 44, 48, 88), pal::kAccent,
                     pal::kWhite, pal::kAccentPressed);
    const int dots = 7;
    const qreal active = phase * (dots + 2) - 1;
    for (int i = 0; i < dots; ++i) {
        const qreal d = std::fabs(i - active);
        const qreal t = qMax<qreal>(0, 1 - d / 2);
        p.setPen(Qt::NoPen);
        p.setBrush(Mix(pal::kLine, pal::kAccent, t));
        p.drawEllipse(QPointF(216 + i * 18, 85), 3.5 + 1.5 * t, 3.5 + 1.5 * t);
    }
}

void DrawDriver(QPainter& p, QSize size, int index, int count) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    const QPointF c(size.width() / 2.0, size.height() / 2.0);
    p.setPen(QPen(pal::kLine, 6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 58, 58);
    QPen arc(pal::kAccent, 6, Qt::SolidLine, Qt::RoundCap);
    p.setPen(arc);
    const int start = 90 - 360 * index / count;
    p.drawArc(QRectF(c.x() - 58, c.y() - 58, 116, 116), start * 16, -100 * 16);
    RoundBox(p, QRectF(c.x() - 34, c.y() - 34, 68, 68), 14, pal::kAccentSoft);
    DrawIcon(p, Icon::Chip, QRectF(c.x() - 22, c.y() - 24, 44, 44), pal::kAccent, 1.8);
    // A small arrow dropping into the chip.
    const qreal t = qreal(index % (count / 2)) / (count / 2);
    QColor a = pal::kAccent;
    a.setAlphaF(1 - t * 0.8);
    DrawIcon(p, Icon::Download, QRectF(c.x() + 62, c.y() - 30 + 24 * t, 26, 26), a, 2.2);
}

void DrawSpinner(QPainter& p, QSize size, int index, int count) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    const qreal r = size.width() / 2.0 - 5;
    const QRectF box(size.width() / 2.0 - r, size.height() / 2.0 - r, 2 * r, 2 * r);
    p.setPen(QPen(pal::kAccentSoft2, 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(box);
    p.setPen(QPen(pal::kAccent, 3.5, Qt::SolidLine, Qt::RoundCap));
    const int start = 90 - 360 * index / count;
    p.drawArc(box, start * 16, -110 * 16);
}

void DrawConnectingStrip(QPainter& p, QSize size, int index, int count) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    const qreal cy = size.height() / 2.0;
    DrawIcon(p, Icon::Monitor, QRectF(8, cy - 13, 26, 26), pal::kText2, 1.8);
    DrawIcon(p, Icon::Phone, QRectF(size.width() - 34, cy - 13, 26, 26), pal::kAccent, 1.8);
    const int dots = 30;
    const qreal x0 = 52;
    const qreal pitch = (size.width() - 104) / qreal(dots - 1);
    const qreal head = (qreal(index) / count) * (dots + 6) - 3;
    for (int i = 0; i < dots; ++i) {
        const qreal d = head - i;
        const qreal t = (d >= 0 && d < 4) ? 1 - d / 4 : 0;
        p.setPen(Qt::NoPen);
        p.setBrush(Mix(pal::kLine, pal::kAccent, t));
        p.drawEllipse(QPointF(x0 + i * pitch, cy), 2.5 + 1.2 * t, 2.5 + 1.2 * t);
    }
}

} // namespace

void AddFrameSets(std::vector<FrameSet>& t) {
    t.push_back({1, QSize(520, 170), 16, DrawSearch});
    t.push_back({2, QSize(520, 170), 16, DrawDriver});
    t.push_back({3, QSize(40, 40), 12, DrawSpinner});
    t.push_back({4, QSize(527, 36), 16, DrawConnectingStrip});
}

} // namespace skingen
