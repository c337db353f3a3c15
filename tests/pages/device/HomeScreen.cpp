#include "HomeScreen.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace devicetest {
namespace {

struct App {
    const char* label;
    QColor top;
    QColor bottom;
    int glyph; // 0 circle, 1 square, 2 triangle, 3 ring, 4 bars, 5 bubble
};

const App kApps[] = {
    {"Phone", QColor(0x4C, 0xD9, 0x64), QColor(0x2E, 0xB1, 0x4A), 5},
    {"Messages", QColor(0x5A, 0xC8, 0xFA), QColor(0x1E, 0x88, 0xE5), 5},
    {"Camera", QColor(0x8E, 0x8E, 0x93), QColor(0x48, 0x48, 0x4A), 3},
    {"Photos", QColor(0xFF, 0xCC, 0x4D), QColor(0xFF, 0x8A, 0x3D), 0},
    {"Music", QColor(0xFF, 0x5E, 0x7E), QColor(0xE0, 0x2F, 0x5A), 4},
    {"Maps", QColor(0x6F, 0xDB, 0x8F), QColor(0x2F, 0x9E, 0xD8), 2},
    {"Mail", QColor(0x6A, 0xA8, 0xFF), QColor(0x3F, 0x6F, 0xE8), 1},
    {"Clock", QColor(0x3A, 0x3A, 0x3C), QColor(0x1C, 0x1C, 0x1E), 3},
    {"Weather", QColor(0x64, 0xB5, 0xF6), QColor(0x29, 0x79, 0xFF), 0},
    {"Store", QColor(0x00, 0xC8, 0xA0), QColor(0x00, 0x96, 0x88), 1},
    {"Files", QColor(0xFF, 0xB7, 0x4D), QColor(0xF5, 0x7C, 0x00), 1},
    {"Settings", QColor(0xA0, 0xA8, 0xB5), QColor(0x6B, 0x72, 0x80), 3},
};

void DrawWallpaper(QPainter& p, const QRectF& r, int variant) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    if (variant % 2 == 0) {
        g.setColorAt(0, QColor(0x1E, 0x3C, 0x72));
        g.setColorAt(0.55, QColor(0x2A, 0x52, 0x98));
        g.setColorAt(1, QColor(0x8E, 0x54, 0xE9));
    } else {
        g.setColorAt(0, QColor(0xF8, 0x7E, 0x5A));
        g.setColorAt(0.5, QColor(0xD9, 0x4F, 0x7E));
        g.setColorAt(1, QColor(0x3B, 0x2C, 0x85));
    }
    p.fillRect(r, g);
    // Soft light blobs, as on a modern wallpaper.
    const qreal u = r.width() / 100.0;
    for (int i = 0; i < 3; ++i) {
        const QPointF c(r.width() * (0.2 + 0.35 * i), r.height() * (0.25 + 0.22 * i));
        QRadialGradient glow(c, 38 * u);
        glow.setColorAt(0, QColor(255, 255, 255, 70));
        glow.setColorAt(1, QColor(255, 255, 255, 0));
        p.fillRect(r, glow);
    }
}

void DrawGlyph(QPainter& p, const QRectF& icon, int glyph) {
    p.save();
    p.setPen(QPen(Qt::white, icon.width() * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QRectF in = icon.adjusted(icon.width() * 0.28, icon.height() * 0.28, -icon.width() * 0.28,
                                    -icon.height() * 0.28);
    switch (glyph) {
    case 0:
        p.setBrush(Qt::white);
        p.drawEllipse(in);
        break;
    case 1:
        p.drawRoundedRect(in, in.width() * 0.15, in.width() * 0.15);
        break;
    case 2: {
        QPainterPath path;
        path.moveTo(in.center().x(), in.top());
        path.lineTo(in.right(), in.bottom());
        path.lineTo(in.left(), in.bottom());
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case 3:
        p.drawEllipse(in);
        p.drawEllipse(in.adjusted(in.width() * 0.3, in.height() * 0.3, -in.width() * 0.3,
                                  -in.height() * 0.3));
        break;
    case 4:
        for (int i = 0; i < 3; ++i) {
            const qreal x = in.left() + in.width() * (0.15 + 0.35 * i);
            p.drawLine(QPointF(x, in.bottom()), QPointF(x, in.top() + in.height() * 0.3 * i));
        }
        break;
    default:
        p.setBrush(Qt::white);
        p.drawRoundedRect(in.adjusted(0, 0, 0, -in.height() * 0.2), in.width() * 0.3,
                          in.width() * 0.3);
        break;
    }
    p.restore();
}

void DrawIcon(QPainter& p, const QRectF& icon, const App& app, qreal labelSize, bool label) {
    QLinearGradient g(icon.topLeft(), icon.bottomLeft());
    g.setColorAt(0, app.top);
    g.setColorAt(1, app.bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(icon, icon.width() * 0.24, icon.width() * 0.24);
    DrawGlyph(p, icon, app.glyph);
    if (label) {
        QFont font = p.font();
        font.setPixelSize(qRound(labelSize));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(icon.left() - icon.width() * 0.3, icon.bottom() + labelSize * 0.4,
                          icon.width() * 1.6, labelSize * 1.5),
                   Qt::AlignHCenter | Qt::AlignTop, QString::fromUtf8(app.label));
    }
}

void DrawStatusBar(QPainter& p, const QRectF& r, const QString& time) {
    const qreal h = r.height();
    QFont font = p.font();
    font.setPixelSize(qRound(h * 0.55));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r.adjusted(h * 0.8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, time);
    // Signal bars, Wi-Fi dot and battery on the right.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const qreal right = r.right() - h * 0.8;
    const QRectF battery(right - h * 1.1, r.top() + h * 0.32, h * 1.0, h * 0.42);
    p.drawRoundedRect(battery, h * 0.08, h * 0.08);
    for (int i = 0; i < 4; ++i) {
        const qreal bh = h * (0.15 + 0.1 * i);
        p.drawRect(QRectF(right - h * 2.6 + i * h * 0.22, r.top() + h * 0.74 - bh, h * 0.14, bh));
    }
}

void DrawClockCard(QPainter& p, const QRectF& r, const QString& time, qreal u) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 48));
    p.drawRoundedRect(r, 5 * u, 5 * u);
    QFont font = p.font();
    font.setBold(false);
    font.setPixelSize(qRound(r.height() * 0.46));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r.adjusted(6 * u, 0, 0, -r.height() * 0.3), Qt::AlignLeft | Qt::AlignVCenter, time);
    font.setPixelSize(qRound(r.height() * 0.15));
    p.setFont(font);
    p.drawText(r.adjusted(6 * u, r.height() * 0.58, 0, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Wednesday, 9 December  ·  22°C Sunny"));
    // A sun on the right.
    p.setBrush(QColor(0xFF, 0xD5, 0x4F));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(r.right() - 14 * u, r.center().y()), 6 * u, 6 * u);
}

} // namespace

QImage DrawHomeScreen(int width, int height, int variant) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r(0, 0, width, height);
    const qreal u = width / 100.0;
    DrawWallpaper(p, r, variant);
    const QString time = variant % 2 == 0 ? QStringLiteral("10:42") : QStringLiteral("18:05");
    DrawStatusBar(p, QRectF(0, 0, width, 6.5 * u), time);
    DrawClockCard(p, QRectF(6 * u, 11 * u, 88 * u, 30 * u), time, u);
    // A 4 x 2 grid of apps, then a dock of four.
    const qreal icon = 15.5 * u;
    const qreal gap = (width - 4 * icon) / 5.0;
    const qreal gridTop = 52 * u;
    for (int i = 0; i < 8; ++i) {
        const qreal x = gap + (i % 4) * (icon + gap);
        const qreal y = gridTop + (i / 4) * (icon + 10 * u);
        DrawIcon(p, QRectF(x, y, icon, icon), kApps[4 + i], 3.4 * u, true);
    }
    // Page dots.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 0 ? QColor(255, 255, 255, 230) : QColor(255, 255, 255, 110));
        p.drawEllipse(QPointF(width / 2.0 + (i - 1) * 4 * u, height - 30 * u), 1 * u, 1 * u);
    }
    const QRectF dock(4 * u, height - 25 * u, 92 * u, 21 * u);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRoundedRect(dock, 7 * u, 7 * u);
    for (int i = 0; i < 4; ++i) {
        const qreal x = gap + i * (icon + gap);
        DrawIcon(p, QRectF(x, dock.top() + (dock.height() - icon) / 2, icon, icon), kApps[i], 0,
                 false);
    }
    // Gesture bar.
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(QRectF(width / 2.0 - 17 * u, height - 2.2 * u, 34 * u, 1 * u), 0.5 * u,
                      0.5 * u);
    return image;
}

bool SavePpm(const QImage& image, const QString& path) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const QByteArray header =
        QStringLiteral("P6\n%1 %2\n255\n").arg(rgb.width()).arg(rgb.height()).toLatin1();
    if (file.write(header) != header.size()) {
        return false;
    }
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const char*>(rgb.constScanLine(y));
        if (file.write(line, rgb.width() * 3) != rgb.width() * 3) {
            return false;
        }
    }
    return true;
}

} // namespace devicetest
