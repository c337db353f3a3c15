#include "KivFolderAnimation.h"

#include "KivImage.h"
#include "KivMessaging.h"

#include "platform/config/AppPaths.h"
#include "platform/Interruptible.h"

#include <QDir>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <vector>

// The frame surface: a child widget over the rectangle that shows the latest frame.
class KivAnimationSurface : public QWidget {
public:
    explicit KivAnimationSurface(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void showFrame(const QImage& frame) {
        m_frame = frame;
        ++m_shown;
        update();
    }
    int shown() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (m_frame.isNull()) {
            painter.fillRect(rect(), Qt::white);
            return;
        }
        painter.drawImage(QPoint(0, 0), m_frame);
    }

private:
    QImage m_frame;
    int m_shown = 0;
};

namespace {

// One frame file composed on white at the rectangle's size; null when it does not decode.
QImage ComposeFrame(const QString& path, QSize size) {
    KivImage picture;
    if (!LoadSkinFile(picture, path)) {
        return QImage();
    }
    Premultiply(picture);
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::white);
    QPainter painter(&frame);
    DrawImageStretched(painter, picture, QRect(QPoint(0, 0), size));
    return frame;
}

// The frames of `folder` in name order (the frames are numbered; directory order is arbitrary
// here), each composed at `size`; files that do not decode are left out.
std::vector<QImage> ComposeFrames(const QString& folder, QSize size) {
    std::vector<QImage> frames;
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        QImage frame = ComposeFrame(folder + QLatin1Char('/') + file, size);
        if (!frame.isNull()) {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

// Runs on the worker. `surface` is only named as the target of queued calls: the owner
// joins this thread before the surface goes away, and Qt drops calls queued for it then. The
// frames are read and decoded once per run; a spinning animation only hands them over.
void PlayFrames(std::stop_token stop, QString folder, QSize size, KivAnimationSurface* surface) {
    const auto delay = std::chrono::milliseconds(KivFolderAnimation::kFrameDelayMs);
    std::vector<QImage> frames;
    while (!stop.stop_requested()) {
        if (frames.empty()) {
            frames = ComposeFrames(folder, size);
            if (frames.empty() && !platform::SleepFor(stop, delay)) {
                return; // nothing decodable: look again after a pause instead of spinning
            }
        }
        for (const QImage& frame : frames) {
            if (stop.stop_requested()) {
                return;
            }
            QueueKivCall(surface, [surface, frame] { surface->showFrame(frame); });
            if (!platform::SleepFor(stop, delay)) {
                return;
            }
        }
    }
}

} // namespace

KivFolderAnimation::KivFolderAnimation(QWidget* window, const QRect& rect, const QString& folder)
    : m_window(window), m_rect(rect), m_folder(folder) {}

KivFolderAnimation::~KivFolderAnimation() {
    stop();
}

void KivFolderAnimation::start() {
    if (isRunning() || !m_window || m_rect.isEmpty()) {
        return;
    }
    auto* surface = new KivAnimationSurface(m_window);
    surface->setGeometry(m_rect);
    surface->raise();
    surface->show();
    m_surface = surface;
    const QString folder = m_folder;
    const QSize size = m_rect.size();
    if (!m_thread.start([folder, size, surface](std::stop_token stop) {
            PlayFrames(stop, folder, size, surface);
        })) {
        delete surface; // no thread to give: the page shows no animation
    }
}

void KivFolderAnimation::stop() {
    m_thread.stop();
    delete m_surface.data();
}

int KivFolderAnimation::framesShownForTesting() const {
    return m_surface ? m_surface->shown() : 0;
}

QString SkinFolderPath(int folderNumber) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d", folderNumber % 10000);
    std::string path;
    (void)BuildAppPath(name, "skins", false, path);
    return QString::fromStdString(path);
}

std::unique_ptr<KivFolderAnimation> StartFolderAnimation(QWidget* window, const QRect& rect,
                                                         const QString& folder) {
    auto animation = std::make_unique<KivFolderAnimation>(window, rect, folder);
    animation->start();
    return animation;
}

void StopFolderAnimation(KivFolderAnimation* animation) {
    if (animation) {
        animation->stop();
    }
}

void FreeFolderAnimation(std::unique_ptr<KivFolderAnimation>& animation) {
    animation.reset();
}
