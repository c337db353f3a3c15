// What download queue tests share: a program folder with the real engine, a devservices file
// server with one served file, and a recorder of a task's events.
#pragma once

#include "downloads/CKivDownQueue.h"

#include "FileServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace queuetest {

constexpr std::size_t kFileSize = 400 * 1024;
constexpr auto kWait = std::chrono::seconds(30);

/// Every event of one task, in order.
class EventRecorder {
public:
    static void Callback(TaskEvent kind, void* user, const TaskEventData& data);

    /// Waits until an event of `kind` arrived; false on time-out.
    bool waitFor(TaskEvent kind, std::chrono::milliseconds timeout = kWait);
    /// Waits until a Progress event reported at least `received` bytes.
    bool waitForReceived(std::uint64_t received, std::chrono::milliseconds timeout = kWait);
    int count(TaskEvent kind);
    std::vector<TaskEvent> kinds();
    std::vector<ProgressRecord> progress();
    std::string finishedPath();
    /// The failure of the last Failed event.
    DownloadFailure lastFailure();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<TaskEvent> m_kinds;
    std::vector<ProgressRecord> m_progress;
    std::string m_path;
    DownloadFailure m_failure = DownloadFailure::Network;
};

class QueueTest : public ::testing::Test {
protected:
    QueueTest();
    ~QueueTest() override;

    /// The served file's URL, with an optional fault query ("?rate=...").
    std::string Url(const std::string& query = "") const;
    std::string Downloaded(const std::string& name) const;
    /// Waits until `task` is in `state`; false on time-out.
    static bool WaitForState(CKivDownQueue& queue, CKivDownObj* task, QueueState state,
                             std::chrono::milliseconds timeout = kWait);

    testsupport::TempDir m_program;
    testsupport::TempDir m_served;
    testsupport::TempDir m_target;
    testsupport::FileServer m_server{m_served.path()};
    std::string m_content;
    std::string m_folder; ///< download folder, ending in '/'
};

} // namespace queuetest
