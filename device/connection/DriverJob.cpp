#include "DriverJob.h"

#include "downloads/CKivDownQueue.h"

#include <cstdint>

namespace {

std::atomic<std::uint64_t> g_nextId{1};

std::string firstFour(const std::string& text) {
    return text.substr(0, 4);
}

} // namespace

DriverJob::DriverJob(const std::string& vid, const std::string& pid,
                     DriverProgressCallback callback)
    : m_id(g_nextId.fetch_add(1)), m_vid(firstFour(vid)), m_pid(firstFour(pid)),
      m_callback(std::move(callback)) {}

void* DriverJob::downloadUserValue() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_id));
}

std::uint64_t DriverJob::IdFromUserValue(void* user) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(user));
}

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
    releaseTask();
}

void DriverJob::finish(const DriverProgress& last) {
    releaseTask();
    std::lock_guard guard(m_reportLock);
    if (m_cancelled.exchange(true) || !m_callback) {
        return;
    }
    m_reportingThread = std::this_thread::get_id();
    m_callback(last, m_stop.get_token());
    m_reportingThread = std::thread::id{};
}

void DriverJob::adoptTask(CKivDownObj* task) {
    {
        std::lock_guard guard(m_taskLock);
        if (!m_taskReleased) {
            m_task = task;
            return;
        }
    }
    if (task != nullptr) {
        (void)DriverQueue().RemoveTask(task);
    }
}

void DriverJob::releaseTask() {
    CKivDownObj* task = nullptr;
    {
        std::lock_guard guard(m_taskLock);
        m_taskReleased = true;
        task = m_task;
        m_task = nullptr;
    }
    // The queue stops the engine task and deletes the object on its scheduler; a save of the
    // progress lets a later job continue the download.
    if (task != nullptr) {
        (void)DriverQueue().RemoveTask(task);
    }
}
