// The visual language every generated picture shares: one accent colour, soft greys, the CJK
// font, and the few shapes (rounded boxes, pills, text runs) the pictures are built from.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace skingen {

/// The palette. One accent (a calm blue) with its hover/pressed/soft tints, and neutral greys.
namespace pal {
inline const QColor kAccent{0x2E, 0x74, 0xF0};
inline const QColor kAccentHover{0x4A, 0x88, 0xF5};
inline const QColor kAccentPressed{0x1F, 0x5C, 0xCF};
inline const QColor kAccentSoft{0xEA, 0xF1, 0xFE};
inline const QColor kAccentSoft2{0xD4, 0xE3, 0xFD};
inline const QColor kAccentDisabled{0xB9, 0xCD, 0xF5};
inline const QColor kText{0x1F, 0x23, 0x29};
inline const QColor kText2{0x4A, 0x50, 0x5A};
inline const QColor kText3{0x8A, 0x91, 0x9C};
inline const QColor kTextDisabled{0xB4, 0xBA, 0xC3};
inline const QColor kWhite{0xFF, 0xFF, 0xFF};
inline const QColor kCanvas{0xF5, 0xF7, 0xFA};
inline const QColor kSidebar{0xF2, 0xF4, 0xF7};
inline const QColor kHover{0xE8, 0xEC, 0xF1};
inline const QColor kPressed{0xDC, 0xE1, 0xE8};
inline const QColor kLine{0xE3, 0xE6, 0xEB};
inline const QColor kBorder{0xD3, 0xD8, 0xDF};
inline const QColor kWindowEdge{0xC9, 0xCE, 0xD6};
inline const QColor kIcon{0x5F, 0x67, 0x73};
inline const QColor kClose{0xE5, 0x48, 0x4D};
inline const QColor kClosePressed{0xC4, 0x37, 0x3C};
inline const QColor kDisabledFill{0xE6, 0xE9, 0xED};
} // namespace pal

/// Noto Sans CJK SC at an exact pixel size.
QFont Font(qreal pixelSize, bool bold = false);

/// Prepares a painter for drawing a picture: antialiasing on, text antialiasing on.
void Prepare(QPainter& p);

/// A filled rounded rectangle, optionally with a 1 px border drawn inside it.
void RoundBox(QPainter& p, const QRectF& r, qreal radius, const QColor& fill,
              const QColor& border = Qt::transparent);

/// A pill (fully rounded ends).
void Pill(QPainter& p, const QRectF& r, const QColor& fill, const QColor& border = Qt::transparent);

/// One line of text in `r`, aligned by `align`, in `font` and `color`.
void Text(QPainter& p, const QRectF& r, const QString& text, const QFont& font, const QColor& color,
          int align = Qt::AlignCenter);

/// Width of `text` in `font` (advance).
qreal TextWidth(const QString& text, const QFont& font);

/// Several lines of text, each line on its own, starting at `topLeft`, with `lineHeight`.
void Lines(QPainter& p, QPointF topLeft, qreal lineHeight, const QStringList& lines,
           const QFont& font, const QColor& color);

/// A 1 px horizontal or vertical hairline on pixel centres.
void HLine(QPainter& p, qreal x1, qreal x2, qreal y, const QColor& c);
void VLine(QPainter& p, qreal x, qreal y1, qreal y2, const QColor& c);

/// The 1 px edge around a frameless window's picture.
void WindowEdge(QPainter& p, QSize size);

/// A soft drop shadow under a rounded card (several translucent rings).
void SoftShadow(QPainter& p, const QRectF& card, qreal radius);

} // namespace skingen
