#include "ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QString ElidedLabel::shownText() const {
    // One line: a phone's value may carry line breaks, which would stack out of the row.
    QString line = text();
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    // elidedText cuts between grapheme clusters: an emoji sequence or a letter with its
    // combining marks stays whole.
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    int width = room;
    QString shown = metrics.elidedText(line, Qt::ElideRight, width, Qt::TextForceLeftToRight);
    // With fallback fonts (colour emoji) the cut may be measured a little narrower than the
    // line is drawn: narrow the room by what is over, until the shortened text fits.
    for (int i = 0; i < 4 && shown != line && metrics.horizontalAdvance(shown) > room; ++i) {
        width -= metrics.horizontalAdvance(shown) - room;
        shown = metrics.elidedText(line, Qt::ElideRight, width, Qt::TextForceLeftToRight);
    }
    return shown == line ? text() : shown;
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.setFont(font());
    // Absolute left and a forced left-to-right paragraph: QLabel would right-align a value
    // that starts with a right-to-left letter, over the next column's label.
    const int flags = Qt::AlignLeft | Qt::AlignAbsolute | (alignment() & Qt::AlignVertical_Mask) |
                      Qt::TextSingleLine | Qt::TextForceLeftToRight;
    QString shown = shownText();
    shown.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    painter.drawText(contentsRect(), flags, shown);
}

bool ElidedLabel::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !toolTip().isEmpty()) {
        return QLabel::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    if (elided()) {
        QToolTip::showText(help->globalPos(), text(), this);
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}
