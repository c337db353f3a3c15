// Folder animations: the frames of a skins/NNNN/ folder played in a rectangle of a window,
// on white, stretched to the rectangle, one frame every 50 ms, looping.
//
// A worker thread lists and decodes the frames and composes each one off-screen; the
// finished frame is handed to the UI thread, which shows it in a frame surface laid over the
// rectangle. The worker never paints a widget.
#pragma once

#include "platform/Worker.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <memory>
#include <thread>

class KivAnimationSurface;
class QWidget;

class KivFolderAnimation {
public:
    static constexpr int kFrameDelayMs = 50;

    /// Prepares an animation of the *.png frames in `folder` over `rect` (widget
    /// coordinates of `window`). Nothing plays until start(). UI thread.
    KivFolderAnimation(QWidget* window, const QRect& rect, const QString& folder);
    ~KivFolderAnimation();
    KivFolderAnimation(const KivFolderAnimation&) = delete;
    KivFolderAnimation& operator=(const KivFolderAnimation&) = delete;

    /// Starts playing; does nothing while running or when the window is gone. UI thread.
    void start();
    /// Ends the worker and removes the frame surface, so the window's own painting shows in
    /// the rectangle again. UI thread.
    void stop();
    bool isRunning() const { return m_thread.running(); }
    const QRect& rect() const { return m_rect; }
    const QString& folder() const { return m_folder; }

    /// Frames shown so far (for tests).
    int framesShownForTesting() const;

private:
    QPointer<QWidget> m_window;
    QRect m_rect;
    QString m_folder;
    QPointer<KivAnimationSurface> m_surface; // UI thread only
    platform::Worker m_thread;
};

/// Path of the frame folder skins/NNNN/ (with a trailing '/').
QString SkinFolderPath(int folderNumber);

/// A running animation of `folder` over `rect` of `window`.
std::unique_ptr<KivFolderAnimation> StartFolderAnimation(QWidget* window, const QRect& rect,
                                                         const QString& folder);
/// Stops `animation` (nullptr: nothing).
void StopFolderAnimation(KivFolderAnimation* animation);
/// Stops and frees `animation`.
void FreeFolderAnimation(std::unique_ptr<KivFolderAnimation>& animation);
