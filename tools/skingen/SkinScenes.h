// Larger illustration pieces shared by several pictures: phones, a computer, the stepper of
// the connection wizard, card backgrounds.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace skingen {

/// A modern phone: rounded body with a thin bezel; returns the screen rectangle.
QRectF DrawPhoneOutline(QPainter& p, const QRectF& body, const QColor& bodyColor,
                        const QColor& screenColor, const QColor& edge);

/// A small phone screen mock with a title bar and setting rows. A row ending in '*' is
/// tinted with the accent and carries a switch turned on; one ending in '!' is tinted and
/// marked with a tap.
void DrawSettingsScreen(QPainter& p, const QRectF& screen, const QString& title,
                        const QStringList& rows);

/// A desktop monitor.
void DrawMonitorShape(QPainter& p, const QRectF& box, const QColor& color);

/// The wizard's frame: white card with the title band and the four-step indicator; `step`
/// 1 to 4 is the current step (done steps before it), 0 marks the failure page.
void DrawWizardFrame(QPainter& p, QSize size, int step);

/// A heading line: bold, dark.
void Heading(QPainter& p, QPointF at, const QString& text, qreal px = 18);

/// A numbered circle (1, 2, 3 ...) in the accent.
void NumberBadge(QPainter& p, QPointF centre, int number, qreal radius = 9);

} // namespace skingen
