// The four built-in phone shells (205 x 399) with their screen rectangles: PNG 206 is the
// default, JPG 207 to 209 match common screen shapes.
#include "SkinKit.h"
#include "SkinTable.h"

#include <QPainterPath>

namespace skingen {
namespace {

struct Shell {
    QRectF screen;     // where the screenshot goes (exact, from the shell table)
    QColor body;       // body colour
    QColor rim;        // outline of the body
    qreal top, bottom; // body extent beyond the screen
    int keys;          // 0 gesture bar, 1 round home key, 3 capacitive keys
};

void DrawShell(QPainter& p, QSize size, const Shell& s, bool opaque) {
    if (opaque) {
        p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    }
    const QRectF body(2.5, s.screen.top() - s.top, size.width() - 5,
                      s.screen.height() + s.top + s.bottom);
    QLinearGradient g(body.topLeft(), body.topRight());
    g.setColorAt(0, s.body.lighter(112));
    g.setColorAt(0.5, s.body);
    g.setColorAt(1, s.body.darker(108));
    p.setPen(QPen(s.rim, 1.5));
    p.setBrush(g);
    p.drawRoundedRect(body, 26, 26);
    // Side keys.
    p.setPen(Qt::NoPen);
    p.setBrush(s.rim);
    p.drawRoundedRect(QRectF(size.width() - 3, 90, 3, 34), 1.5, 1.5);
    p.drawRoundedRect(QRectF(0, 80, 3, 22), 1.5, 1.5);
    p.drawRoundedRect(QRectF(0, 108, 3, 22), 1.5, 1.5);
    // Screen glass.
    p.setBrush(QColor(0x10, 0x12, 0x15));
    p.drawRect(s.screen.adjusted(-1, -1, 1, 1));
    // Earpiece and camera.
    const qreal cx = size.width() / 2.0;
    const qreal earY = s.screen.top() - s.top / 2.0;
    p.setBrush(s.rim);
    p.drawRoundedRect(QRectF(cx - 18, earY - 2, 36, 4), 2, 2);
    p.drawEllipse(QPointF(cx + 32, earY), 3, 3);
    const qreal keyY = s.screen.bottom() + s.bottom / 2.0;
    if (s.keys == 1) {
        p.setPen(QPen(s.rim, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(cx, keyY), 13, 13);
    } else if (s.keys == 3) {
        p.setPen(QPen(s.rim, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(cx - 62, keyY), QPointF(cx - 48, keyY));
        p.drawRoundedRect(QRectF(cx - 8, keyY - 6, 16, 12), 3, 3);
        p.drawLine(QPointF(cx + 48, keyY), QPointF(cx + 62, keyY));
    } else {
        p.setBrush(s.rim);
        p.drawRoundedRect(QRectF(cx - 26, keyY - 2, 52, 4), 2, 2);
    }
}

void Add(std::vector<ResourcePicture>& t, const QString& type, int id, const Shell& s) {
    const bool jpg = type == QStringLiteral("JPG");
    t.push_back({type, id, QSize(205, 399), !jpg,
                 [s, jpg](QPainter& p, QSize sz) { DrawShell(p, sz, s, jpg); }});
}

} // namespace

void AddPhoneShells(std::vector<ResourcePicture>& t) {
    Add(t, QStringLiteral("PNG"), 206,
        {QRectF(10, 35, 185, 307), QColor(0x3B, 0x41, 0x4B), QColor(0x23, 0x27, 0x2E), 33, 52, 0});
    Add(t, QStringLiteral("JPG"), 207,
        {QRectF(13, 27, 180, 323), QColor(0xEE, 0xF0, 0xF3), QColor(0xB9, 0xC0, 0xCA), 25, 44, 0});
    Add(t, QStringLiteral("JPG"), 208,
        {QRectF(10, 35, 185, 307), QColor(0x24, 0x27, 0x2C), QColor(0x50, 0x56, 0x60), 33, 52, 1});
    Add(t, QStringLiteral("JPG"), 209,
        {QRectF(11, 47, 184, 276), QColor(0xD5, 0xDA, 0xE1), QColor(0x8E, 0x97, 0xA4), 45, 72, 3});
}

} // namespace skingen
