// The connected screen's phone worker: reads the phone's properties, picture, storage and
// battery, then keeps the picture live (ShowPhone once a second) until it is stopped. It
// reaches the device page and the info panel only through sent messages carrying its stop
// token, so once stop() has been called nothing of it is shown any more.
#pragma once

#include "PhoneTexts.h"

#include "ui/toolkit/KivWindowHandle.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

/// The phone picture and display name (kMsgWorkerPicture).
struct PhoneView {
    QImage picture;
    QString name;
};

/// Phone storage and SD card rows (kMsgWorkerStorage).
struct StorageView {
    ValueText phone;
    ValueText sdcard;
};

class PhoneWorker {
public:
    static constexpr std::chrono::milliseconds kRefreshPause{1000};

    PhoneWorker() = default;
    /// Joins every worker still finishing a blocking adb command.
    ~PhoneWorker();
    PhoneWorker(const PhoneWorker&) = delete;
    PhoneWorker& operator=(const PhoneWorker&) = delete;

    /// Starts a worker for the followed phone reporting to `page` and `infoPanel`. A running
    /// worker is stopped first. UI thread.
    void start(const KivWindowHandle& page, const KivWindowHandle& infoPanel);

    /// Stops the running worker without waiting for an adb command it may be blocked in: it
    /// can no longer reach any window, and ends on its own as soon as the command returns.
    /// UI thread.
    void stop();

    bool running() const { return m_current != nullptr; }

    /// Pictures shown so far by all workers (tests, benchmark).
    static int picturesShownForTesting();

private:
    struct Run {
        std::jthread thread;
        std::atomic<bool> done{false};
    };
    void reapFinished();

    std::unique_ptr<Run> m_current;
    std::vector<std::unique_ptr<Run>> m_stopped; // joined once done (or at destruction)
};
