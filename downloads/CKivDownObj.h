// One download: an engine task and the polling thread OnRun that asks the engine about it
// every second and reports to two listeners, the owner (progress callback) and the queue.
#pragma once

#include "DownloadRows.h"
#include "PauseGate.h"
#include "TaskEvent.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

class CKivDownObj {
public:
    /// Polls in engine state 0 before the task gives up with NoConnection.
    static constexpr int kConnectPolls = 60;
    /// Polls without a new byte before a downloading task gives up with Failed.
    static constexpr int kStallPolls = 20;
    static constexpr std::chrono::milliseconds kPollPeriod{1000};

    CKivDownObj() = default;
    /// Stops the polling thread and waits for it, then stops and forgets the engine task.
    ~CKivDownObj();
    CKivDownObj(const CKivDownObj&) = delete;
    CKivDownObj& operator=(const CKivDownObj&) = delete;

    /// Starts the engine task and a new polling thread (after ending a previous one).
    /// 0, -2 (no engine task), -1 (no thread) or the engine's error.
    int Start();
    /// Stops and forgets the engine task and waits for the polling thread. The callbacks are
    /// cleared; once this returns the progress callback is never called again.
    void StopTaskAndWait();
    /// Stops and forgets the engine task without waiting for the thread; clears the callbacks.
    /// 0, the engine's error, or -1 when there was no engine task.
    int StopEngineTask();

    /// The owner's listener and its user value (null clears). Called on the polling thread;
    /// a call already under way may still finish after the callback was cleared or replaced.
    /// `keepAlive` (usually what `user` points into) is held by the task while the callback is
    /// set and by every call under way until it returns, so the user value outlives them all.
    void SetProgressCallback(ProgressCallback callback, void* user,
                             std::shared_ptr<void> keepAlive = {});
    void SetQueueCallback(QueueCallback callback, void* queue);

    std::int32_t TaskId() const { return m_taskId; }
    std::string Url() const;
    /// Target folder, ending in '/'.
    std::string Folder() const;
    /// Name inside the folder, as the engine reports it.
    std::string FileName() const;
    /// Folder + file name.
    std::string FullPath() const;
    std::uint64_t FileSize() const { return m_fileSize; }
    std::uint64_t Received() const { return m_received; }
    /// Folder, file name and sizes, as a progress save stores them.
    SavedDownload Saved() const;
    bool Started() const { return m_started; }
    /// True while the polling thread runs its loop (also while it waits at the pause gate).
    bool IsPolling() const { return m_polling; }

    /// Shortens the poll period of every task (tests); zero restores one second.
    static void SetPollPeriodForTesting(std::chrono::milliseconds period);

    // For CMiniDlLib and CKivDownQueue, which fill and drive the task.
    void SetTaskId(std::int32_t id) { m_taskId = id; }
    void SetUrl(const std::string& url);
    void SetFolder(const std::string& folder);
    void SetFileName(const std::string& fileName);
    void SetSizes(std::uint64_t fileSize, std::uint64_t received);
    /// Pausing: the engine task was stopped; the thread waits at its gate until Resume.
    void HoldPolling();
    /// Resuming: the engine task was started again; the thread goes on polling.
    void ReleasePolling();

private:
    void OnRun(std::stop_token stop);
    /// One poll; false ends the loop.
    bool OnRunBody(const unsigned char* info);
    bool OnConnecting();
    bool OnDownloading(const unsigned char* info);
    void OnFailed(const unsigned char* info);
    void Notify(TaskEvent kind, const TaskEventData& data = {});
    void NotifyQueue(QueueCode code);
    void ClearCallbacks();
    void JoinThread();

    std::atomic<std::int32_t> m_taskId{-1};
    std::atomic<bool> m_keepPolling{true};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_polling{false};
    std::atomic<std::uint64_t> m_fileSize{0}; // written by the polling thread and the queue
    std::atomic<std::uint64_t> m_received{0};

    mutable std::mutex m_callbackMutex; // guards the five members below; any thread
    ProgressCallback m_progressCallback = nullptr;
    void* m_user = nullptr;
    std::shared_ptr<void> m_keepAlive; // what m_user points into, while the callback is set
    QueueCallback m_queueCallback = nullptr;
    void* m_queue = nullptr;

    mutable std::mutex m_textMutex; // guards the three texts; the polling thread renames
    std::string m_url;
    std::string m_folder;
    std::string m_fileName;

    std::uint64_t m_lastTransferred = 0; // polling thread only
    int m_tickCount = 0;                 // polling thread only: connecting and stall polls

    PauseGate m_gate;
    std::mutex m_threadMutex; // guards m_thread (never held while joining)
    std::jthread m_thread;    // started by the scheduler, ended by the owner or destruction
};
