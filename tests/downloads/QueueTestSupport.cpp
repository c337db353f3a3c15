#include "QueueTestSupport.h"

#include "platform/config/AppPaths.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace queuetest {

void EventRecorder::Callback(TaskEvent kind, void* user, const TaskEventData& data) {
    auto* recorder = static_cast<EventRecorder*>(user);
    {
        std::lock_guard lock(recorder->m_mutex);
        recorder->m_kinds.push_back(kind);
        if (kind == TaskEvent::Progress) {
            recorder->m_progress.push_back(data.progress);
        }
        if (kind == TaskEvent::Finished) {
            recorder->m_path = std::string(data.path);
        }
        if (kind == TaskEvent::Failed) {
            recorder->m_failure = data.failure;
        }
    }
    recorder->m_changed.notify_all();
}

bool EventRecorder::waitFor(TaskEvent kind, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return std::find(m_kinds.begin(), m_kinds.end(), kind) != m_kinds.end();
    });
}

bool EventRecorder::waitForReceived(std::uint64_t received, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return !m_progress.empty() && m_progress.back().received >= received;
    });
}

int EventRecorder::count(TaskEvent kind) {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count(m_kinds.begin(), m_kinds.end(), kind));
}

std::vector<TaskEvent> EventRecorder::kinds() {
    std::lock_guard lock(m_mutex);
    return m_kinds;
}

std::vector<ProgressRecord> EventRecorder::progress() {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::string EventRecorder::finishedPath() {
    std::lock_guard lock(m_mutex);
    return m_path;
}

DownloadFailure EventRecorder::lastFailure() {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

QueueTest::QueueTest() : m_content(testsupport::PatternBytes(kFileSize, 11)) {
    testsupport::WriteFile(m_served.file("drivers/usb_driver.zip"), m_content);
    const char* engineFolder = std::getenv("PENLOW_PROGRAM_DIR");
    std::string engine = std::string(engineFolder ? engineFolder : ".") + "/download_engine.so";
    EXPECT_EQ(symlink(engine.c_str(), m_program.file("download_engine.so").c_str()), 0);
    OverrideModuleFolder(m_program.path());
    m_folder = m_target.path() + "/devices/";
    // Fifty milliseconds a poll: the connecting (60 polls) and stall (20 polls) rules then
    // take seconds instead of minutes.
    CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(50));
    EXPECT_TRUE(m_server.ok());
}

QueueTest::~QueueTest() {
    CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(0));
}

std::string QueueTest::Url(const std::string& query) const {
    return m_server.url("drivers/usb_driver.zip" + query);
}

std::string QueueTest::Downloaded(const std::string& name) const {
    return testsupport::ReadFile(m_folder + name);
}

bool QueueTest::WaitForState(CKivDownQueue& queue, CKivDownObj* task, QueueState state,
                             std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (queue.StateOf(task) != state) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace queuetest
