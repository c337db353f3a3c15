#include "KivImage.h"

#include "platform/config/AppPaths.h"
#include "resources/PictureResources.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <cstdio>

int KivImage::bitsPerPixel() const {
    if (m_image.isNull()) {
        return 0;
    }
    return m_alpha ? 32 : 24;
}

void KivImage::reset() {
    m_image = QImage();
    m_alpha = false;
}

void KivImage::setImage(const QImage& image) {
    m_alpha = image.hasAlphaChannel();
    m_image = image.convertToFormat(m_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

namespace {

// The content decides the format; the extension is ignored.
bool DecodeInto(KivImage& image, QIODevice& device) {
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull()) {
        image.reset();
        return false;
    }
    image.setImage(decoded);
    return true;
}

template <class Rule> void PremultiplyWith(KivImage& image, Rule rule) {
    if (image.bitsPerPixel() != 32) {
        return;
    }
    // Work on the stored bytes as they are (a second premultiplication applies the rule again).
    QImage pixels = image.image();
    if (pixels.format() == QImage::Format_ARGB32_Premultiplied) {
        pixels.reinterpretAsFormat(QImage::Format_ARGB32);
    } else {
        pixels = pixels.convertToFormat(QImage::Format_ARGB32);
    }
    for (int y = 0; y < pixels.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb p = row[x];
            const unsigned a = qAlpha(p);
            row[x] = qRgba(int(rule(unsigned(qRed(p)), a)), int(rule(unsigned(qGreen(p)), a)),
                           int(rule(unsigned(qBlue(p)), a)), int(a));
        }
    }
    // The same bytes, now read as premultiplied, so that drawing blends them as such.
    pixels.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    image.replacePixels(pixels);
}

} // namespace

bool LoadSkinFile(KivImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        image.reset();
        return false;
    }
    return DecodeInto(image, file);
}

QString SkinFilePath(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d.arg", number % 10000);
    std::string path;
    (void)BuildAppPath(name, "skins", true, path); // literal names never fail
    return QString::fromStdString(path);
}

bool LoadSkin(KivImage& image, int number) {
    return LoadSkinFile(image, SkinFilePath(number));
}

bool LoadResourcePicture(KivImage& image, const char* type, int id) {
    resources::RegisterPictureResources();
    QFile file(QStringLiteral(":/%1/%2").arg(QString::fromLatin1(type)).arg(id));
    if (!file.open(QIODevice::ReadOnly)) {
        image.reset();
        return false;
    }
    return DecodeInto(image, file);
}

void Premultiply(KivImage& image) {
    PremultiplyWith(image,
                    [](unsigned c, unsigned a) { return a < 255 ? (c * a + 127) / 255 : c; });
}

void PremultiplyTruncating(KivImage& image) {
    PremultiplyWith(image, [](unsigned c, unsigned a) { return (c * a) / 255; });
}

void DrawImage(QPainter& painter, const KivImage& image, const QRect& destination,
               const QRect& source) {
    if (image.isNull() || destination.isEmpty() || source.isEmpty()) {
        return;
    }
    painter.save();
    painter.setCompositionMode(image.hasAlpha() ? QPainter::CompositionMode_SourceOver
                                                : QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, destination.size() != source.size());
    painter.drawImage(destination, image.image(), source);
    painter.restore();
}

void DrawImageStretched(QPainter& painter, const KivImage& image, const QRect& destination) {
    DrawImage(painter, image, destination, QRect(QPoint(0, 0), image.size()));
}

void BlitImage(QPainter& painter, const KivImage& image, int x, int y, int width, int height) {
    if (image.isNull()) {
        return;
    }
    const QRect area(0, 0, qMin(width, image.width()), qMin(height, image.height()));
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(x, y), image.image(), area);
    painter.restore();
}
