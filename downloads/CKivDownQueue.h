// A queue of downloads: starts at most `limit` tasks at a time from a scheduler thread, pauses,
// resumes and removes them, and, when it has DownData.db, keeps the rows of its downloads in
// step with them.
//
// Driving a download (the driver job does this with the process-wide DriverQueue()):
//
//     CKivDownQueue& queue = DriverQueue();
//     if (queue.Init(true, "DownData.db") != 0) { ... }
//     if (auto done = queue.FindFinished(url, folder)) { use *done; }
//     CKivDownObj* task = queue.ContinueTask(url, "", "", true, OnEvent, job);  // saved one
//     if (task == nullptr) task = queue.AddNewTask(url, folder, true, OnEvent, job);
//     ... OnEvent(TaskEvent::Progress / Finished / Failed / NoConnection, job, data) ...
//     queue.RemoveTask(task);  // after Finished, Failed or NoConnection, or to cancel
#pragma once

#include "CKivDownObj.h"
#include "DownDataDatabase.h"
#include "TaskEvent.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

enum class QueueState : int {
    Waiting = 0,         ///< queued, not yet started
    Running = 1,         ///< started; counts against the limit
    Paused = 2,          ///< paused by PauseTask
    ResumeRequested = 3, ///< ResumeTask asked the scheduler to resume it
    Stopped = 4,         ///< the task failed or found no connection
    Completed = 5,       ///< the task finished
    Removing = 6,        ///< RemoveTask handed it to the scheduler, which deletes it
};

class CKivDownQueue {
public:
    static constexpr int kDefaultLimit = 10;
    static constexpr std::chrono::milliseconds kSchedulerPeriod{100};
    /// Unfinished downloads' progress is saved this often while they run (and at once when
    /// their size becomes known), so that a killed process can continue them.
    static constexpr std::chrono::seconds kProgressSaveInterval{5};

    /// Init results besides 0 and the engine's or SQLite's own codes.
    static constexpr int kNoModuleFolder = -1;
    static constexpr int kNoAppPath = -2;
    static constexpr int kEngineNotLoaded = -3;
    static constexpr int kDataFolderNotCreated = -4;
    static constexpr int kDatabaseNotOpened = -5;
    static constexpr int kSchedulerNotStarted = -6;

    CKivDownQueue() = default;
    /// Saves the progress of running and paused downloads, stops and destroys every task,
    /// ends the scheduler and closes the database.
    ~CKivDownQueue();
    CKivDownQueue(const CKivDownQueue&) = delete;
    CKivDownQueue& operator=(const CKivDownQueue&) = delete;

    /// Loads the engine from the program folder and initialises it (once per process); with
    /// `useDatabase`, opens data/<databaseFileName> (once) with its tables; starts the
    /// scheduler. May be called again (the device page does on every visit).
    int Init(bool useDatabase, const std::string& databaseFileName = "DownData.db");
    /// Most tasks running at a time (at least 1).
    void SetLimit(int limit);
    /// The engine's task type (DE_TASK_TYPE_) of the tasks created afterwards; the icon queue
    /// takes only small pictures. A task whose type the engine refuses is not created.
    void SetTaskType(std::int32_t engineTaskType);

    /// A new download of `url` into `folder`, or null: refused when the database has a
    /// continuable download of the URL (continue it instead), or when the engine task cannot
    /// be created. The queue owns the task; `callback` and `user` are set before it can start,
    /// and the task holds `keepAlive` for as long as it may call back
    /// (CKivDownObj::SetProgressCallback).
    CKivDownObj* AddNewTask(const std::string& url, const std::string& folder, bool startNow,
                            ProgressCallback callback = nullptr, void* user = nullptr,
                            std::shared_ptr<void> keepAlive = {});
    /// Continues a saved download of `url`: with the database, its folder and file name come
    /// from the saved row (the arguments are ignored) and a continuable row is required;
    /// without, `folder` and `fileName` are needed. Null when refused or the engine cannot
    /// continue (the saved row and any temporary file are then dropped), or when a queued task
    /// has the same URL (letter case ignored).
    CKivDownObj* ContinueTask(const std::string& url, const std::string& folder,
                              const std::string& fileName, bool startNow,
                              ProgressCallback callback = nullptr, void* user = nullptr,
                              std::shared_ptr<void> keepAlive = {});

    /// Queues a task created by this queue as Waiting. 0, -1 (already queued), -2 (null or
    /// not created by this queue).
    int EnqueueTask(CKivDownObj* task);
    /// Pauses a queued task (its engine task is stopped and its polling thread held). 0 or
    /// the failure; -1 when not queued.
    int PauseTask(CKivDownObj* task);
    /// Asks the scheduler to resume (or start) a queued task. 0 or -1 (not queued or being
    /// removed).
    int ResumeTask(CKivDownObj* task);
    /// Stops the task's engine task and hands the task to the scheduler, which deletes it;
    /// the caller must not use it afterwards. The stop's result, or -1 (not queued, or
    /// already being removed).
    int RemoveTask(CKivDownObj* task);

    /// The path of a finished download of `url` in `folder` (ending in '/') that still
    /// exists on disk. A saved download of `url` in `folder` whose temporary file has become
    /// its final file (a process ended between the two) is recorded as finished first.
    /// Without a database: none.
    std::optional<std::string> FindFinished(const std::string& url, const std::string& folder);
    /// The path of a continuable saved download of `url`: one with a known size, or one
    /// whose temporary file exists. Without a database: none.
    std::optional<std::string> FindContinuable(const std::string& url);
    /// Drops the saved download of `url` and its temporary file (a download into another
    /// folder replaces it).
    void ForgetSaved(const std::string& url);
    /// The database, or null when the queue has none (inspection tools).
    DownDataDatabase* Database();

    std::optional<QueueState> StateOf(CKivDownObj* task);
    int ActiveCount();

private:
    struct Entry {
        std::unique_ptr<CKivDownObj> task;
        QueueState state = QueueState::Waiting;
        bool queued = false;      ///< EnqueueTask was called
        bool removeAsked = false; ///< RemoveTask is under way
        std::chrono::steady_clock::time_point lastSave{};
    };
    using EntryMap = std::map<std::uint64_t, Entry>;

    static void OnQueueEvent(QueueCode code, CKivDownObj* task, void* queue);
    void HandleEvent(QueueCode code, CKivDownObj* task);
    int OpenDatabase(const std::string& databaseFileName);
    int StartScheduler();
    void RunScheduler(std::stop_token stop);
    /// Acts on the first task that needs the scheduler; false when none did.
    bool ScheduleOne();
    CKivDownObj* Adopt(std::unique_ptr<CKivDownObj> task, bool startNow, ProgressCallback callback,
                       void* user, std::shared_ptr<void> keepAlive);
    EntryMap::iterator Find(CKivDownObj* task); // m_mutex held
    void GiveBackSlot(Entry& entry);            // m_mutex held
    bool HasQueuedUrl(const std::string& url);
    /// Gives the new task the queue's task type; false when the engine refused it.
    bool ApplyTaskType(CKivDownObj& task);
    void Forget(CKivDownObj& task);
    static bool HasTempFile(const std::string& path);
    void RecordFinishedOnDisk(DownDataDatabase& db, const std::string& url,
                              const std::string& folder);
    bool UsesDatabase();
    void WakeScheduler();

    std::mutex m_mutex; // guards the members below; UI, scheduler and polling threads
    EntryMap m_tasks;   // key: creation order
    std::uint64_t m_nextKey = 0;
    int m_active = 0;
    int m_limit = kDefaultLimit;
    std::int32_t m_taskType = 0; // DE_TASK_TYPE_DEFAULT
    bool m_useDatabase = false;
    bool m_calledInit = false;
    bool m_wakeUp = false;              // something for the scheduler to do
    std::condition_variable_any m_wake; // wakes the scheduler early

    std::unique_ptr<DownDataDatabase> m_db; // set once by Init (under m_mutex), then read-only
    std::mutex m_schedulerMutex;            // guards m_scheduler
    std::jthread m_scheduler;
};

/// The process-wide driver queue, constructed on first use and destroyed at process exit.
CKivDownQueue& DriverQueue();
