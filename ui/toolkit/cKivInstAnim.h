// cKivInstAnim: the install animation of a finished-download row, cycling through resource
// pictures every 25 ms while it runs.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QWidget>

#include <vector>

class KivImage;

class cKivInstAnim : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameMs = 25;

    explicit cKivInstAnim(QWidget* parent = nullptr);

    /// Appends the cached resource picture `id` when it exists; the first frame sets the size.
    void AddFrame(int id);
    /// Starts cycling from frame 0; nothing when running or without frames.
    void Start();
    /// Stops and goes back to frame 0; nothing when not running.
    void Stop();
    void SetBackground(const QColor& color);

    bool isRunning() const { return m_running; }
    int frameIndex() const { return m_index; }
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    QSize frameSize() const { return m_frameSize; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    std::vector<const KivImage*> m_frames;
    QSize m_frameSize;
    QBasicTimer m_timer;
    QColor m_background = Qt::white;
    bool m_running = false;
    int m_index = 0;
};
