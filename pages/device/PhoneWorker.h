// The connected screen's phone worker: reads the phone's properties, picture, storage and
// battery, then keeps the picture live (ShowPhone once a second, with what it learnt about the
// connection kept), reads again on every pass the facts it could not read yet, and reads the
// battery again every 30 seconds until it is stopped. When the phone stops answering (two
// failed pictures in a row) the page hears that the connection broke, and again when it
// answers. It reaches the device page and the info panel only through posted values that carry
// its stop token, so the windows never read its memory and once stop() has been called nothing
// of it is shown any more. A stop kills the adb command it may be blocked in and shuts its
// socket to the adb server, so stopping returns at once.
#pragma once

#include "PhoneTexts.h"

#include "platform/Worker.h"
#include "ui/toolkit/KivWindowHandle.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

class DevicePageServices;

/// The phone picture and display name (kMsgWorkerPicture): the worker's own copy, posted.
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
    static constexpr std::chrono::milliseconds kBatteryPeriod{30000};

    PhoneWorker() = default;
    PhoneWorker(const PhoneWorker&) = delete;
    PhoneWorker& operator=(const PhoneWorker&) = delete;

    /// Starts a worker for the followed phone reporting to `page` and `infoPanel`. A running
    /// worker is stopped first. UI thread.
    void start(const KivWindowHandle& page, const KivWindowHandle& infoPanel,
               const DevicePageServices& services);

    /// Stops the running worker and waits for it. UI thread.
    void stop() { m_worker.stop(); }

    bool running() const { return m_worker.running(); }

    /// The page showed a picture a worker posted (UI thread).
    static void notePictureShown();
    /// Pictures shown so far from all workers (tests, benchmark).
    static int picturesShownForTesting();
    /// A shorter battery period for workers started from now on (zero: kBatteryPeriod).
    static void setBatteryPeriodForTesting(std::chrono::milliseconds period);

private:
    platform::Worker m_worker;
};
