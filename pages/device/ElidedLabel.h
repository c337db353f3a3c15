// ElidedLabel: a one-line text label for what phones and the web service name (models, makers,
// build texts). Text wider than the label ends in "…" at a character boundary, never inside a
// glyph cluster, and its tooltip shows the whole text. The text is always laid out left to
// right from the label's left edge, so a right-to-left value stays in its column.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    /// The text as drawn: text() itself, or its longest fitting start followed by "…".
    QString shownText() const;
    /// True when the text does not fit and is drawn shortened.
    bool elided() const { return shownText() != text(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
