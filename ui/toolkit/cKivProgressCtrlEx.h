// cKivProgressCtrlEx: a progress bar drawn from a frame picture (resource 165) with a fill
// picture (resource 166) stretched over the done part.
#pragma once

#include <QWidget>

class KivImage;

class cKivProgressCtrlEx : public QWidget {
    Q_OBJECT
public:
    explicit cKivProgressCtrlEx(QWidget* parent = nullptr);

    /// Takes the frame (165) and fill (166) pictures.
    void LoadPictures();
    void setRange(int low, int high);
    void setPosition(int position);
    int low() const { return m_low; }
    int high() const { return m_high; }
    int position() const { return m_position; }

    /// Width of the filled part for a client width: nothing outside the range, the whole
    /// width at the high end, else (position - low) / (high - low) of it, truncated. -1 when
    /// nothing at all is painted.
    int fillWidth(int clientWidth) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const KivImage* m_frame = nullptr;
    const KivImage* m_fill = nullptr;
    int m_low = 0;
    int m_high = 100;
    int m_position = 0;
};
