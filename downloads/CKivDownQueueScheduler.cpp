// The scheduler thread of a queue and the queue's shutdown.
#include "CKivDownQueue.h"

#include "CMiniDlLib.h"

#include <system_error>
#include <utility>
#include <vector>

int CKivDownQueue::StartScheduler() {
    std::lock_guard lock(m_schedulerMutex);
    if (m_scheduler.joinable()) {
        return 0;
    }
    try {
        m_scheduler = std::jthread([this](std::stop_token stop) { RunScheduler(stop); });
    } catch (const std::system_error&) {
        return kSchedulerNotStarted;
    }
    return 0;
}

void CKivDownQueue::RunScheduler(std::stop_token stop) {
    while (!stop.stop_requested()) {
        while (!stop.stop_requested() && ScheduleOne()) {
        }
        std::unique_lock lock(m_mutex);
        // Woken early by queue changes; the period bounds the wait otherwise.
        m_wake.wait_for(lock, stop, kSchedulerPeriod, [this] { return m_wakeUp; });
        m_wakeUp = false;
    }
}

bool CKivDownQueue::ScheduleOne() {
    std::unique_lock lock(m_mutex);
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        Entry& entry = it->second;
        if (!entry.queued) {
            continue;
        }
        if (entry.state == QueueState::Removing) {
            std::unique_ptr<CKivDownObj> task = std::move(entry.task);
            m_tasks.erase(it);
            lock.unlock();
            task.reset(); // joins the task's polling thread, outside the lock
            return true;
        }
        bool startable =
            entry.state == QueueState::Waiting || entry.state == QueueState::ResumeRequested;
        if (!startable || m_active >= m_limit) {
            continue;
        }
        bool resume = entry.state == QueueState::ResumeRequested;
        entry.state = QueueState::Running;
        ++m_active;
        CKivDownObj* task = entry.task.get();
        lock.unlock();
        const EngineFunctions* engine = CMiniDlLib::Engine();
        if (resume && task->IsPolling()) {
            std::int32_t id = task->TaskId();
            if (engine != nullptr && id > 0 && engine->start_task(id) == DE_OK) {
                task->ReleasePolling();
            }
        } else {
            task->Start(); // a failed start keeps its slot until the task is removed
        }
        return true;
    }
    return false;
}

CKivDownQueue::~CKivDownQueue() {
    std::jthread scheduler;
    {
        std::lock_guard lock(m_schedulerMutex);
        scheduler.swap(m_scheduler);
    }
    if (scheduler.joinable()) {
        scheduler.request_stop();
        scheduler.join();
    }
    EntryMap tasks;
    {
        std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
        m_active = 0;
    }
    std::vector<std::pair<std::string, SavedDownload>> saves;
    for (auto& [key, entry] : tasks) {
        entry.task->StopTaskAndWait();
        bool unfinished = entry.state == QueueState::Running || entry.state == QueueState::Paused;
        if (entry.queued && unfinished) {
            saves.emplace_back(entry.task->Url(), entry.task->Saved());
        }
        entry.task.reset();
    }
    if (m_db) {
        if (m_useDatabase && !saves.empty()) {
            m_db->saveProgress(saves);
        }
        m_db->close();
    }
}
