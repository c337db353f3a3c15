// OpenedPackageReader: package files the user opened (on the command line, handed over by a
// second start, or dropped on the window) are read on a worker of their own, one at a time in
// the order given, so that a slow disk never holds up the window. Each result is posted to the
// downloaded page as kMsgPackageOpened with an OpenedPackage payload.
#pragma once

#include "downloads/apk/ApkFile.h"
#include "platform/Worker.h"
#include "ui/toolkit/KivWindowHandle.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

/// One read package file: its path and what reading it gave.
struct OpenedPackage {
    std::string path;
    apk::ApkReadResult read;
};

class OpenedPackageReader {
public:
    explicit OpenedPackageReader(KivWindowHandle page);
    /// Stops the worker and waits for it (a file read under way is finished first; reads are
    /// bounded). Results still queued for the page are dropped with its window.
    ~OpenedPackageReader();

    /// Starts the worker; false when the system gives no thread.
    [[nodiscard]] bool start();
    /// Queues `paths` to be read. UI thread.
    void add(const std::vector<std::string>& paths);

    /// Most paths waiting at once; more are dropped (a drop of a whole folder's files, say).
    static constexpr std::size_t kMaxWaiting = 1000;

private:
    void run(std::stop_token stop);

    KivWindowHandle m_page;
    std::mutex m_mutex; // guards m_paths; UI thread and the worker
    std::condition_variable_any m_added;
    std::deque<std::string> m_paths;
    platform::Worker m_thread; // last member: stopped before the queue it reads goes
};
