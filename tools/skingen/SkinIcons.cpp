// Icon shapes on the 24-unit grid. Strokes are round-capped lines; a few icons are filled.
#include "SkinIcons.h"

#include "SkinKit.h"

#include <QPainterPath>
#include <cmath>

namespace skingen {
namespace {

void Arc(QPainter& p, qreal cx, qreal cy, qreal r, qreal startDeg, qreal spanDeg) {
    p.drawArc(QRectF(cx - r, cy - r, 2 * r, 2 * r), qRound(startDeg * 16), qRound(spanDeg * 16));
}

void Filled(QPainter& p, const QPainterPath& path, const QColor& c) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
    p.restore();
}

void DrawPhone(QPainter& p) {
    p.drawRoundedRect(QRectF(6.5, 2.5, 11, 19), 2.2, 2.2);
    p.drawLine(QPointF(10.5, 18.2), QPointF(13.5, 18.2));
}

void DrawApps(QPainter& p) {
    p.drawRoundedRect(QRectF(3.5, 3.5, 7, 7), 1.8, 1.8);
    p.drawRoundedRect(QRectF(13.5, 3.5, 7, 7), 1.8, 1.8);
    p.drawRoundedRect(QRectF(3.5, 13.5, 7, 7), 1.8, 1.8);
    p.drawEllipse(QPointF(17, 17), 3.6, 3.6);
}

void DrawDownload(QPainter& p) {
    p.drawLine(QPointF(12, 3.5), QPointF(12, 15));
    p.drawPolyline(QPolygonF({{7.5, 10.5}, {12, 15}, {16.5, 10.5}}));
    p.drawPolyline(QPolygonF({{4, 15.5}, {4, 20}, {20, 20}, {20, 15.5}}));
}

void DrawRefresh(QPainter& p) {
    Arc(p, 12, 12, 7.5, 60, 280);
    p.drawPolyline(QPolygonF({{15.6, 3.2}, {16.2, 6.0}, {13.4, 6.9}}));
}

void DrawTrash(QPainter& p) {
    p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
    p.drawPolyline(QPolygonF({{9, 6.5}, {9, 3.8}, {15, 3.8}, {15, 6.5}}));
    p.drawPolyline(QPolygonF({{6, 6.5}, {7, 20.2}, {17, 20.2}, {18, 6.5}}));
    p.drawLine(QPointF(10.2, 10.5), QPointF(10.2, 16.5));
    p.drawLine(QPointF(13.8, 10.5), QPointF(13.8, 16.5));
}

void DrawInstall(QPainter& p) {
    p.drawRoundedRect(QRectF(6.5, 2.5, 11, 19), 2.2, 2.2);
    p.drawLine(QPointF(12, 6.5), QPointF(12, 14.5));
    p.drawPolyline(QPolygonF({{9, 11.5}, {12, 14.5}, {15, 11.5}}));
}

void DrawFolder(QPainter& p) {
    QPainterPath path;
    path.moveTo(3, 6);
    path.lineTo(9.5, 6);
    path.lineTo(11.5, 8.5);
    path.lineTo(21, 8.5);
    path.lineTo(21, 19.5);
    path.lineTo(3, 19.5);
    path.closeSubpath();
    p.drawPath(path);
}

void DrawGlobe(QPainter& p) {
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.drawEllipse(QPointF(12, 12), 3.8, 8.5);
    p.drawLine(QPointF(3.5, 12), QPointF(20.5, 12));
}

void DrawHelp(QPainter& p, const QColor& c) {
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    QPainterPath q;
    q.moveTo(9.4, 9.6);
    q.cubicTo(9.4, 6.4, 14.8, 6.4, 14.8, 9.6);
    q.cubicTo(14.8, 11.6, 12, 11.8, 12, 14);
    p.drawPath(q);
    QPainterPath dot;
    dot.addEllipse(QPointF(12, 17.1), 1.1, 1.1);
    Filled(p, dot, c);
}

void DrawInfo(QPainter& p, const QColor& c) {
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.drawLine(QPointF(12, 11), QPointF(12, 16.5));
    QPainterPath dot;
    dot.addEllipse(QPointF(12, 7.8), 1.1, 1.1);
    Filled(p, dot, c);
}

void DrawDocument(QPainter& p) {
    p.drawPolyline(
        QPolygonF({{14, 3}, {6, 3}, {6, 21}, {18, 21}, {18, 7}, {14, 3}, {14, 7}, {18, 7}}));
    p.drawLine(QPointF(9, 12), QPointF(15, 12));
    p.drawLine(QPointF(9, 16), QPointF(15, 16));
}

void DrawShield(QPainter& p) {
    QPainterPath s;
    s.moveTo(12, 3);
    s.lineTo(19, 5.8);
    s.cubicTo(19, 13, 16.5, 18, 12, 21);
    s.cubicTo(7.5, 18, 5, 13, 5, 5.8);
    s.closeSubpath();
    p.drawPath(s);
    p.drawPolyline(QPolygonF({{9, 12}, {11.2, 14.2}, {15.2, 10}}));
}

void DrawUsb(QPainter& p, const QColor& c) {
    p.drawLine(QPointF(12, 3.5), QPointF(12, 19));
    p.drawPolyline(QPolygonF({{12, 15}, {7, 11.5}, {7, 8.5}}));
    p.drawPolyline(QPolygonF({{12, 13}, {17, 10}, {17, 8}}));
    QPainterPath heads;
    heads.addEllipse(QPointF(12, 19.6), 1.9, 1.9);
    heads.addEllipse(QPointF(7, 7.4), 1.4, 1.4);
    heads.addRect(QRectF(15.7, 5.4, 2.6, 2.6));
    Filled(p, heads, c);
    p.drawPolyline(QPolygonF({{10, 5.5}, {12, 2.8}, {14, 5.5}}));
}

void DrawSdCard(QPainter& p) {
    p.drawPolygon(QPolygonF({{9, 3}, {18, 3}, {18, 21}, {6, 21}, {6, 6}}));
    p.drawLine(QPointF(10, 6.5), QPointF(10, 9));
    p.drawLine(QPointF(12.5, 6.5), QPointF(12.5, 9));
    p.drawLine(QPointF(15, 6.5), QPointF(15, 9));
}

void DrawBattery(QPainter& p, const QColor& c) {
    p.drawRoundedRect(QRectF(2.5, 7, 17, 10), 2, 2);
    p.drawLine(QPointF(21.5, 10.5), QPointF(21.5, 13.5));
    QPainterPath level;
    level.addRoundedRect(QRectF(5, 9.5, 9, 5), 0.8, 0.8);
    Filled(p, level, c);
}

void DrawChip(QPainter& p) {
    p.drawRoundedRect(QRectF(6, 6, 12, 12), 1.8, 1.8);
    p.drawRect(QRectF(9.5, 9.5, 5, 5));
    for (qreal v : {9.5, 14.5}) {
        p.drawLine(QPointF(v, 2.8), QPointF(v, 6));
        p.drawLine(QPointF(v, 18), QPointF(v, 21.2));
        p.drawLine(QPointF(2.8, v), QPointF(6, v));
        p.drawLine(QPointF(18, v), QPointF(21.2, v));
    }
}

void DrawLink(QPainter& p) {
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.drawRoundedRect(QRectF(-9.5, -3.2, 9, 6.4), 3.2, 3.2);
    p.drawRoundedRect(QRectF(0.5, -3.2, 9, 6.4), 3.2, 3.2);
    p.drawLine(QPointF(-3, 0), QPointF(3, 0));
    p.restore();
}

void DrawWarning(QPainter& p, const QColor& c) {
    QPainterPath t;
    t.moveTo(12, 3.5);
    t.lineTo(21, 19.5);
    t.lineTo(3, 19.5);
    t.closeSubpath();
    p.drawPath(t);
    p.drawLine(QPointF(12, 9.5), QPointF(12, 14));
    QPainterPath dot;
    dot.addEllipse(QPointF(12, 16.8), 1.05, 1.05);
    Filled(p, dot, c);
}

void DrawMonitor(QPainter& p) {
    p.drawRoundedRect(QRectF(3, 4, 18, 12.5), 1.6, 1.6);
    p.drawLine(QPointF(12, 16.5), QPointF(12, 20));
    p.drawLine(QPointF(8, 20.2), QPointF(16, 20.2));
}

void DrawHome(QPainter& p) {
    p.drawPolyline(QPolygonF({{3.5, 11}, {12, 4}, {20.5, 11}}));
    p.drawPolyline(QPolygonF({{6, 9.5}, {6, 20}, {18, 20}, {18, 9.5}}));
    p.drawPolyline(QPolygonF({{10, 20}, {10, 14.5}, {14, 14.5}, {14, 20}}));
}

void DrawGamepad(QPainter& p) {
    p.drawRoundedRect(QRectF(2.5, 7, 19, 11), 5.5, 5.5);
    p.drawLine(QPointF(6.5, 12.5), QPointF(10, 12.5));
    p.drawLine(QPointF(8.25, 10.75), QPointF(8.25, 14.25));
    p.drawPoint(QPointF(15, 11.5));
    p.drawPoint(QPointF(17.5, 13.5));
}

void DrawStar(QPainter& p) {
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? 9.0 : 4.0;
        const qreal a = (-90 + i * 36) * M_PI / 180.0;
        star << QPointF(12 + r * std::cos(a), 12.6 + r * std::sin(a));
    }
    p.drawPolygon(star);
}

void DrawGrid(QPainter& p) {
    for (int row = 0; row < 3; ++row) {
        p.drawLine(QPointF(4, 6 + row * 6), QPointF(20, 6 + row * 6));
    }
}

void DrawStroked(QPainter& p, Icon icon, const QColor& c) {
    switch (icon) {
    case Icon::Phone:
        DrawPhone(p);
        break;
    case Icon::Apps:
        DrawApps(p);
        break;
    case Icon::Download:
        DrawDownload(p);
        break;
    case Icon::Close:
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
        break;
    case Icon::Minimise:
        p.drawLine(QPointF(6, 12.5), QPointF(18, 12.5));
        break;
    case Icon::Menu:
        for (qreal y : {7.0, 12.0, 17.0}) {
            p.drawLine(QPointF(5, y), QPointF(19, y));
        }
        break;
    case Icon::Feedback: {
        QPainterPath b;
        b.moveTo(4, 5);
        b.lineTo(20, 5);
        b.lineTo(20, 16);
        b.lineTo(11, 16);
        b.lineTo(7, 19.5);
        b.lineTo(7, 16);
        b.lineTo(4, 16);
        b.closeSubpath();
        p.drawPath(b);
        p.drawLine(QPointF(8, 9.2), QPointF(16, 9.2));
        p.drawLine(QPointF(8, 12.2), QPointF(13, 12.2));
        break;
    }
    case Icon::ChevronLeft:
        p.drawPolyline(QPolygonF({{14.5, 5}, {8, 12}, {14.5, 19}}));
        break;
    case Icon::ChevronRight:
        p.drawPolyline(QPolygonF({{9.5, 5}, {16, 12}, {9.5, 19}}));
        break;
    case Icon::Refresh:
        DrawRefresh(p);
        break;
    case Icon::Search:
        p.drawEllipse(QPointF(10.5, 10.5), 6, 6);
        p.drawLine(QPointF(15, 15), QPointF(20, 20));
        break;
    case Icon::Check:
        p.drawPolyline(QPolygonF({{5, 12.5}, {10, 17.5}, {19, 7}}));
        break;
    case Icon::Trash:
        DrawTrash(p);
        break;
    case Icon::Install:
        DrawInstall(p);
        break;
    case Icon::Folder:
        DrawFolder(p);
        break;
    case Icon::Info:
        DrawInfo(p, c);
        break;
    case Icon::Globe:
        DrawGlobe(p);
        break;
    case Icon::Help:
        DrawHelp(p, c);
        break;
    case Icon::Document:
        DrawDocument(p);
        break;
    case Icon::Shield:
        DrawShield(p);
        break;
    case Icon::Usb:
        DrawUsb(p, c);
        break;
    case Icon::SdCard:
        DrawSdCard(p);
        break;
    case Icon::Battery:
        DrawBattery(p, c);
        break;
    case Icon::Chip:
        DrawChip(p);
        break;
    case Icon::Link:
        DrawLink(p);
        break;
    case Icon::Warning:
        DrawWarning(p, c);
        break;
    case Icon::Monitor:
        DrawMonitor(p);
        break;
    case Icon::Home:
        DrawHome(p);
        break;
    case Icon::Gamepad:
        DrawGamepad(p);
        break;
    case Icon::Star:
        DrawStar(p);
        break;
    case Icon::Grid:
        DrawGrid(p);
        break;
    case Icon::Pause:
    case Icon::Play:
        break;
    }
}

} // namespace

void DrawIcon(QPainter& p, Icon icon, const QRectF& box, const QColor& color, qreal stroke) {
    const qreal side = qMin(box.width(), box.height());
    p.save();
    p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    p.scale(side / 24.0, side / 24.0);
    if (icon == Icon::Pause || icon == Icon::Play) {
        QPainterPath shape;
        if (icon == Icon::Pause) {
            shape.addRoundedRect(QRectF(6.5, 5, 3.8, 14), 1.2, 1.2);
            shape.addRoundedRect(QRectF(13.7, 5, 3.8, 14), 1.2, 1.2);
        } else {
            shape.moveTo(8, 5);
            shape.lineTo(19, 12);
            shape.lineTo(8, 19);
            shape.closeSubpath();
        }
        Filled(p, shape, color);
        p.restore();
        return;
    }
    QPen pen(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    DrawStroked(p, icon, color);
    p.restore();
}

void DrawLogoMark(QPainter& p, const QRectF& box) {
    const qreal s = qMin(box.width(), box.height());
    p.save();
    p.translate(box.center().x() - s / 2, box.center().y() - s / 2);
    p.scale(s / 24.0, s / 24.0);
    QLinearGradient g(0, 0, 24, 24);
    g.setColorAt(0, pal::kAccentHover);
    g.setColorAt(1, pal::kAccentPressed);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, 24, 24), 6.2, 6.2);
    p.setBrush(Qt::white);
    QPainterPath phone;
    phone.addRoundedRect(QRectF(7.2, 3.6, 9.6, 16.8), 2.2, 2.2);
    QPainterPath screen;
    screen.addRoundedRect(QRectF(8.7, 5.6, 6.6, 11.6), 0.9, 0.9);
    p.drawPath(phone.subtracted(screen));
    QPen arrow(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(arrow);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(12, 7.6), QPointF(12, 13.6));
    p.drawPolyline(QPolygonF({{9.8, 11.6}, {12, 13.8}, {14.2, 11.6}}));
    p.restore();
}

} // namespace skingen
