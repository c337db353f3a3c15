// Skin pictures: the image object, loading from skin files and built-in resources,
// premultiplication, and the drawing primitives every skinned surface uses.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

/// One decoded picture. Empty until loaded; loading again replaces the previous picture.
/// Pixels are 32-bit: straight ARGB for an alpha picture, opaque RGB otherwise, and
/// premultiplied ARGB after Premultiply/PremultiplyTruncating.
class KivImage {
public:
    bool isNull() const { return m_image.isNull(); }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    QSize size() const { return m_image.size(); }
    /// 32 for an alpha picture, 24 for an opaque one, 0 when empty.
    int bitsPerPixel() const;
    /// The decoded pixel format carries alpha.
    bool hasAlpha() const { return m_alpha; }
    const QImage& image() const { return m_image; }

    void reset();
    /// Takes `image` as the decoded picture (alpha when its format has an alpha channel).
    void setImage(const QImage& image);
    /// For the premultiplication rules only: replaces the pixels, keeping the alpha flag.
    void replacePixels(const QImage& premultiplied) { m_image = premultiplied; }

private:
    QImage m_image;
    bool m_alpha = false;
};

/// Decodes the file at `path` into `image` whatever its extension (PNG, BMP, JPEG ...).
/// False, with `image` empty, when the file is missing or not a picture.
bool LoadSkinFile(KivImage& image, const QString& path);

/// Path of skins/NNNN.arg in the program folder.
QString SkinFilePath(int number);

/// LoadSkinFile of skins/NNNN.arg.
bool LoadSkin(KivImage& image, int number);

/// Decodes the built-in picture of `type` ("PNG" or "JPG") and `id`. False (image empty)
/// when there is no such picture.
bool LoadResourcePicture(KivImage& image, const char* type, int id);

/// Rounding premultiplication: every colour channel c of a pixel with alpha a < 255 becomes
/// (c * a + 127) / 255; opaque pixels stay. Only for 32-bit pictures; others are untouched.
void Premultiply(KivImage& image);

/// Truncating premultiplication (the resource cache's rule): c becomes (c * a) / 255 for
/// every pixel. Only for 32-bit pictures.
void PremultiplyTruncating(KivImage& image);

/// The one drawing primitive: `source` of `image` into `destination`, stretched when the
/// sizes differ. An alpha picture is blended with its per-pixel alpha; any other picture is
/// copied. An empty image draws nothing.
void DrawImage(QPainter& painter, const KivImage& image, const QRect& destination,
               const QRect& source);

/// DrawImage with the whole picture as the source.
void DrawImageStretched(QPainter& painter, const KivImage& image, const QRect& destination);

/// Plain copy of the picture's pixels at (x, y), cropped to width x height: no blending, no
/// stretching.
void BlitImage(QPainter& painter, const KivImage& image, int x, int y, int width, int height);
