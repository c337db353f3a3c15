// The logo at several sizes and the ICO container (ICONDIR, entries, BITMAPINFOHEADER DIBs).
#include "LogoFiles.h"

#include "SkinIcons.h"
#include "SkinKit.h"

#include <QBuffer>
#include <QDataStream>
#include <QPainter>

namespace skingen {

QImage LogoImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    Prepare(p);
    const qreal inset = side <= 16 ? 0 : side * 0.04;
    DrawLogoMark(p, QRectF(inset, inset, side - 2 * inset, side - 2 * inset));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

namespace {

// One DIB entry: header, BGRA rows bottom-up, then the 1-bit AND mask (rows padded to 32 bits).
QByteArray EncodeDib(const QImage& source) {
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int side = img.width();
    QByteArray dib;
    QDataStream out(&dib, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(40) << qint32(side) << qint32(side * 2) << quint16(1) << quint16(32)
        << quint32(0) << quint32(0) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int y = side - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < side; ++x) {
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x]))
                << quint8(qAlpha(row[x]));
        }
    }
    const int maskStride = ((side + 31) / 32) * 4;
    for (int y = side - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray maskRow(maskStride, '\0');
        for (int x = 0; x < side; ++x) {
            if (qAlpha(row[x]) == 0) {
                maskRow[x / 8] = char(quint8(maskRow[x / 8]) | (0x80 >> (x % 8)));
            }
        }
        out.writeRawData(maskRow.constData(), maskRow.size());
    }
    return dib;
}

} // namespace

QByteArray EncodeIco(const std::vector<QImage>& images) {
    std::vector<QByteArray> dibs;
    for (const QImage& img : images) {
        dibs.push_back(EncodeDib(img));
    }
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * quint32(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int side = images[i].width();
        out << quint8(side >= 256 ? 0 : side) << quint8(side >= 256 ? 0 : side) << quint8(0)
            << quint8(0) << quint16(1) << quint16(32) << quint32(dibs[i].size()) << offset;
        offset += quint32(dibs[i].size());
    }
    for (const QByteArray& dib : dibs) {
        out.writeRawData(dib.constData(), dib.size());
    }
    return file;
}

} // namespace skingen
