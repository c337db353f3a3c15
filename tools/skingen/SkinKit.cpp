// Shapes, text and colours shared by all generated pictures.
#include "SkinKit.h"

#include <QFontMetricsF>
#include <QPainterPath>

namespace skingen {

QFont Font(qreal pixelSize, bool bold) {
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void RoundBox(QPainter& p, const QRectF& r, qreal radius, const QColor& fill,
              const QColor& border) {
    p.save();
    if (border.alpha() > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(border);
        p.drawRoundedRect(r, radius, radius);
        p.setBrush(fill);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), qMax<qreal>(0, radius - 1),
                          qMax<qreal>(0, radius - 1));
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(r, radius, radius);
    }
    p.restore();
}

void Pill(QPainter& p, const QRectF& r, const QColor& fill, const QColor& border) {
    RoundBox(p, r, r.height() / 2, fill, border);
}

void Text(QPainter& p, const QRectF& r, const QString& text, const QFont& font, const QColor& color,
          int align) {
    p.save();
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, align | Qt::TextSingleLine, text);
    p.restore();
}

qreal TextWidth(const QString& text, const QFont& font) {
    return QFontMetricsF(font).horizontalAdvance(text);
}

void Lines(QPainter& p, QPointF topLeft, qreal lineHeight, const QStringList& lines,
           const QFont& font, const QColor& color) {
    qreal y = topLeft.y();
    for (const QString& line : lines) {
        Text(p, QRectF(topLeft.x(), y, 2000, lineHeight), line, font, color,
             Qt::AlignLeft | Qt::AlignVCenter);
        y += lineHeight;
    }
}

void HLine(QPainter& p, qreal x1, qreal x2, qreal y, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(x1, y, x2 - x1, 1), c);
    p.restore();
}

void VLine(QPainter& p, qreal x, qreal y1, qreal y2, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(x, y1, 1, y2 - y1), c);
    p.restore();
}

void WindowEdge(QPainter& p, QSize size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pal::kWindowEdge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    p.restore();
}

void SoftShadow(QPainter& p, const QRectF& card, qreal radius) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 6; i >= 1; --i) {
        QColor c(0x1F, 0x2A, 0x3C, 5);
        p.setBrush(c);
        const QRectF r = card.adjusted(-i, -i + 2, i, i + 2);
        p.drawRoundedRect(r, radius + i, radius + i);
    }
    p.restore();
}

} // namespace skingen
