#include "DriverJob.h"

#include <cstdint>

namespace {

std::atomic<std::uint64_t> g_nextId{1};

std::string firstFour(const std::string& text) {
    return text.substr(0, 4);
}

} // namespace

DriverJob::DriverJob(const std::string& vid, const std::string& pid,
                     DriverProgressCallback callback, std::shared_ptr<const DriverJobParts> parts)
    : m_id(g_nextId.fetch_add(1)), m_vid(firstFour(vid)), m_pid(firstFour(pid)),
      m_callback(std::move(callback)), m_parts(std::move(parts)) {}

void DriverJob::setPackage(const DriverPackage& package) {
    std::lock_guard guard(m_packageLock);
    m_package = package;
}

DriverPackage DriverJob::package() const {
    std::lock_guard guard(m_packageLock);
    return m_package;
}

void DriverJob::report(const DriverProgress& progress) {
    std::lock_guard guard(m_reportLock);
    if (m_cancelled || !m_callback) {
        return;
    }
    m_reportingThread = std::this_thread::get_id();
    m_callback(progress, m_stop.get_token());
    m_reportingThread = std::thread::id{};
}

void DriverJob::cancel() {
    m_cancelled = true;
    m_stop.request_stop();
    // Wait for a listener call under way on another thread: once cancel() returns the listener
    // is never called again, so the wizard may go away. Its own thread must not wait for itself.
    if (m_reportingThread.load() != std::this_thread::get_id()) {
        std::lock_guard guard(m_reportLock);
    }
    releaseDownload();
}

void DriverJob::finish(const DriverProgress& last) {
    releaseDownload();
    std::lock_guard guard(m_reportLock);
    if (m_cancelled.exchange(true) || !m_callback) {
        return;
    }
    m_reportingThread = std::this_thread::get_id();
    m_callback(last, m_stop.get_token());
    m_reportingThread = std::thread::id{};
}

void DriverJob::adoptDownload(DriverDownloadHandle download) {
    {
        std::lock_guard guard(m_downloadLock);
        if (!m_downloadReleased) {
            m_download = download;
            return;
        }
    }
    if (download != nullptr) {
        m_parts->removeDownload(download);
    }
}

void DriverJob::releaseDownload() {
    DriverDownloadHandle download = nullptr;
    {
        std::lock_guard guard(m_downloadLock);
        m_downloadReleased = true;
        download = m_download;
        m_download = nullptr;
    }
    // The queue stops the download and keeps its progress, so a later job continues it.
    if (download != nullptr) {
        m_parts->removeDownload(download);
    }
}
