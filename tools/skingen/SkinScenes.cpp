// Illustration pieces: phones, settings screens, monitor, wizard frame.
#include "SkinScenes.h"

#include "SkinIcons.h"
#include "SkinKit.h"

namespace skingen {

QRectF DrawPhoneOutline(QPainter& p, const QRectF& body, const QColor& bodyColor,
                        const QColor& screenColor, const QColor& edge) {
    const qreal radius = body.width() * 0.14;
    RoundBox(p, body, radius, bodyColor, edge);
    const qreal side = qMax<qreal>(4, body.width() * 0.05);
    const QRectF screen = body.adjusted(side, side * 2.6, -side, -side * 2.6);
    RoundBox(p, screen, qMax<qreal>(2, radius * 0.35), screenColor);
    // Speaker slot.
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    const qreal slot = body.width() * 0.22;
    p.drawRoundedRect(QRectF(body.center().x() - slot / 2, body.top() + side * 1.1, slot,
                             qMax<qreal>(2, side * 0.45)),
                      2, 2);
    p.restore();
    return screen;
}

void DrawSettingsScreen(QPainter& p, const QRectF& screen, const QString& title,
                        const QStringList& rows) {
    p.save();
    p.setClipRect(screen);
    p.fillRect(screen, pal::kWhite);
    const qreal barH = 26;
    p.fillRect(QRectF(screen.left(), screen.top(), screen.width(), barH), pal::kAccent);
    Text(p, QRectF(screen.left() + 8, screen.top(), screen.width() - 10, barH), title,
         Font(11, true), pal::kWhite, Qt::AlignLeft | Qt::AlignVCenter);
    qreal y = screen.top() + barH;
    const qreal rowH = 25;
    for (QString row : rows) {
        const bool toggled = row.endsWith(QLatin1Char('*'));
        const bool tapped = row.endsWith(QLatin1Char('!'));
        if (toggled || tapped) {
            row.chop(1);
        }
        const QRectF r(screen.left(), y, screen.width(), rowH);
        if (toggled || tapped) {
            p.fillRect(r, pal::kAccentSoft);
        }
        if (toggled) {
            const QRectF sw(r.right() - 28, r.center().y() - 6, 20, 12);
            Pill(p, sw, pal::kAccent);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(sw.right() - 6, sw.center().y()), 4.2, 4.2);
        } else if (tapped) {
            const QPointF c(r.right() - 18, r.center().y());
            p.setPen(Qt::NoPen);
            p.setBrush(pal::kAccentSoft2);
            p.drawEllipse(c, 8, 8);
            p.setBrush(pal::kAccent);
            p.drawEllipse(c, 4, 4);
        }
        const bool marked = toggled || tapped;
        Text(p, r.adjusted(8, 0, -30, 0), row, Font(10.5, marked),
             marked ? pal::kAccentPressed : pal::kText2, Qt::AlignLeft | Qt::AlignVCenter);
        HLine(p, r.left() + 8, r.right(), r.bottom() - 1, pal::kLine);
        y += rowH;
    }
    p.restore();
}

void DrawMonitorShape(QPainter& p, const QRectF& box, const QColor& color) {
    const QRectF screen(box.left(), box.top(), box.width(), box.height() * 0.72);
    RoundBox(p, screen, 6, color);
    RoundBox(p, screen.adjusted(5, 5, -5, -5), 3, pal::kWhite);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const qreal neckW = box.width() * 0.14;
    p.drawRect(QRectF(box.center().x() - neckW / 2, screen.bottom(), neckW, box.height() * 0.18));
    p.drawRoundedRect(
        QRectF(box.center().x() - box.width() * 0.22, box.bottom() - 6, box.width() * 0.44, 6), 3,
        3);
    p.restore();
}

void Heading(QPainter& p, QPointF at, const QString& text, qreal px) {
    Text(p, QRectF(at.x(), at.y(), 600, px * 1.6), text, Font(px, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void NumberBadge(QPainter& p, QPointF centre, int number, qreal radius) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAccent);
    p.drawEllipse(centre, radius, radius);
    p.restore();
    Text(p, QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
         QString::number(number), Font(radius * 1.2, true), pal::kWhite);
}

void DrawWizardFrame(QPainter& p, QSize size, int step) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    p.fillRect(QRect(0, 0, size.width(), 36), pal::kCanvas);
    HLine(p, 0, size.width(), 36, pal::kLine);
    DrawIcon(p, Icon::Usb, QRectF(14, 9, 18, 18), pal::kAccent, 2.0);
    Text(p, QRectF(38, 0, 200, 36), QStringLiteral("连接向导"), Font(14, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    const QStringList labels = {QStringLiteral("打开调试"), QStringLiteral("查找手机"),
                                QStringLiteral("安装驱动"), QStringLiteral("连接成功")};
    const qreal x0 = 330;
    const qreal pitch = 92;
    for (int i = 0; i < labels.size(); ++i) {
        const QPointF c(x0 + i * pitch, 18);
        const bool done = step > 0 && i + 1 < step;
        const bool current = i + 1 == step;
        if (i > 0) {
            HLine(p, c.x() - pitch + 60, c.x() - 12, 18,
                  (done || current) ? pal::kAccent : pal::kBorder);
        }
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(current ? pal::kAccent : (done ? pal::kAccentSoft2 : pal::kBorder));
        p.drawEllipse(c, 8, 8);
        p.restore();
        if (done) {
            DrawIcon(p, Icon::Check, QRectF(c.x() - 6, c.y() - 6, 12, 12), pal::kAccent, 3.0);
        } else {
            Text(p, QRectF(c.x() - 8, c.y() - 8, 16, 16), QString::number(i + 1), Font(10, true),
                 current ? pal::kWhite : pal::kText3);
        }
        Text(p, QRectF(c.x() + 12, 0, 60, 36), labels[i], Font(12, current),
             current ? pal::kAccent : (done ? pal::kText2 : pal::kText3),
             Qt::AlignLeft | Qt::AlignVCenter);
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pal::kLine);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    p.restore();
}

} // namespace skingen
