// The install queue of the downloaded page: finished packages wait here, first in first out,
// and one install thread takes them one at a time: file check, a temporary ASCII name for
// paths adb cannot take, the MD5 check, the phone checks, the install through adb and the
// install report. Every step is posted to the page as WM_USER+507 (entry serial, status).
#pragma once

#include "device/bridge/InstallPackage.h"
#include "downloads/InstallRename.h"
#include "platform/Worker.h"
#include "ui/toolkit/KivWindowHandle.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

class InstallQueueView;

/// What the install thread needs from outside the downloads pages, handed to the download
/// manager by whoever builds it (the program: the device connection, the device bridge and the
/// usage log). Every function is called on the install thread and must be callable. The queue
/// view is where the downloaded page shows its queue to the store's requests (UI thread).
struct KivInstallServices {
    using PhoneAttached = std::function<bool()>;
    using Serial = std::function<std::string()>;
    using Install = std::function<InstallResult(
        const std::string& packageName, const std::string& serial, const std::string& path)>;
    using Report = std::function<void(const std::string& packageName, const std::string& appName,
                                      int code, bool uninstalled, const std::string& output)>;

    KivInstallServices(PhoneAttached phoneAttached_, Serial serial_, Install install_,
                       Report report_, std::shared_ptr<InstallQueueView> queueView_)
        : phoneAttached(std::move(phoneAttached_)), serial(std::move(serial_)),
          install(std::move(install_)), report(std::move(report_)),
          queueView(std::move(queueView_)) {}

    /// A phone is followed (the device table's current slot is in use).
    PhoneAttached phoneAttached;
    /// The serial adb knows the phone by; empty when adb does not see it.
    Serial serial;
    Install install;
    Report report;
    /// Never null.
    std::shared_ptr<InstallQueueView> queueView;
};

/// One queued install: copies of the entry's texts, so that deleting the row meanwhile is safe.
struct KivInstallJob {
    std::uint64_t serial = 0;
    std::string url;
    std::string path;
    std::string validValue;
    std::string packageName;
    /// A package the user opened: it has no digest, so the file is checked by its manifest.
    bool openedFile = false;
};

class KivInstallQueue {
public:
    /// Install statuses posted with WM_USER+507.
    enum Status : int {
        kInstalling = 0,
        kNoStorage = 1,
        kInstalled = 2,
        kNoPhone = 3,
        kFailed = 4,
        kNotReady = 90,
        kBadPackage = -1,
        kReset = 99,
    };

    /// `page`: where statuses go. `journal`: the file that remembers a renamed package.
    KivInstallQueue(KivWindowHandle page, std::string journal, KivInstallServices services);
    /// Stops the thread and waits for it: an install under way is cut (its adb is killed) and
    /// the package gets its own name back.
    ~KivInstallQueue();

    /// Moves back a package a killed install left under its temporary name. Runs before the
    /// page restores its rows, which drop rows whose file is missing.
    void recoverParkedPackage();
    /// Starts the install thread; false when no thread could be had (nothing is installed
    /// then).
    bool start();
    void append(KivInstallJob job);
    /// Removes the jobs of these entries.
    void remove(std::uint64_t serial);
    bool empty();
    bool containsUrl(const std::string& url);
    /// Cuts the install under way (its adb child is killed; the install ends with its error).
    /// The phone went away. Any thread.
    void cancelInstall();

    /// How long a result stays on the row; tests shorten it.
    static void SetResultPauseForTesting(std::chrono::milliseconds pause);

private:
    void run(std::stop_token stop);
    void installOne(const KivInstallJob& job, std::stop_token stop);
    int checkAndInstall(const KivInstallJob& job, const std::string& path, std::stop_token stop);
    void post(std::uint64_t serial, int status);
    static bool packageIntact(const KivInstallJob& job, const std::string& path);
    bool pause(std::stop_token stop, int seconds);

    KivWindowHandle m_page;
    KivInstallServices m_services;
    InstallRename m_rename;
    std::uint64_t m_renameCounter = 0; // install thread only

    std::mutex m_installLock;                     // guards m_currentInstall; any thread
    std::stop_source* m_currentInstall = nullptr; // the install under way, on the install thread
    std::mutex m_mutex;                           // guards m_jobs; UI thread and install thread
    std::condition_variable_any m_jobAdded;
    std::deque<KivInstallJob> m_jobs;
    platform::Worker m_thread; // last member: stopped before the queue it reads goes
};
