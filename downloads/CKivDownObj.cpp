// The polling loop of a download and the stopping of its engine task.
#include "CKivDownObj.h"

#include "CMiniDlLib.h"

#include "platform/DebugLog.h"
#include "platform/Interruptible.h"
#include "platform/StopScope.h"

#include <cstring>
#include <system_error>
#include <utility>

namespace {

std::atomic<std::int64_t> g_pollPeriodMs{CKivDownObj::kPollPeriod.count()};

template <typename T> T Get(const unsigned char* info, std::size_t offset) {
    T value;
    std::memcpy(&value, info + offset, sizeof value);
    return value;
}

} // namespace

CKivDownObj::~CKivDownObj() {
    m_keepPolling = false;
    JoinThread();
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::int32_t id = m_taskId;
    if (engine != nullptr && id > 0) {
        if (m_started) {
            engine->stop_task(id);
        }
        engine->delete_task(id);
        m_taskId = -1;
    }
    ClearCallbacks();
}

void CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds period) {
    g_pollPeriodMs = period.count() > 0 ? period.count() : kPollPeriod.count();
}

void CKivDownObj::JoinThread() {
    std::jthread thread;
    {
        std::lock_guard lock(m_threadMutex);
        if (!m_thread.joinable()) {
            return;
        }
        m_thread.request_stop(); // also wakes it at the pause gate and in its sleep
        if (m_thread.get_id() == std::this_thread::get_id()) {
            return; // asked from within a callback: the loop ends, destruction joins it
        }
        thread.swap(m_thread);
    }
    thread.join();
}

int CKivDownObj::Start() {
    JoinThread();
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::int32_t id = m_taskId;
    if (engine == nullptr || id <= 0) {
        return -2;
    }
    int rc = engine->start_task(id);
    if (rc != DE_OK) {
        return rc;
    }
    m_keepPolling = true;
    m_started = true;
    m_gate.open();
    std::lock_guard lock(m_threadMutex);
    try {
        m_polling = true;
        // The task's stop token is its thread's: what a callback waits for ends on a stop.
        m_thread = std::jthread([this](std::stop_token stop) {
            platform::StopScope scope(stop);
            OnRun(stop);
        });
    } catch (const std::system_error&) {
        m_polling = false;
        return -1;
    }
    return 0;
}

void CKivDownObj::StopTaskAndWait() {
    m_keepPolling = false;
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::int32_t id = m_taskId;
    if (id <= 0 || engine == nullptr) {
        ClearCallbacks();
    } else if ((!m_started || engine->stop_task(id) == DE_OK) && engine->delete_task(id) == DE_OK) {
        m_taskId = -1;
        m_started = false;
        ClearCallbacks();
    }
    JoinThread();
}

int CKivDownObj::StopEngineTask() {
    m_keepPolling = false;
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::int32_t id = m_taskId;
    int rc = -1;
    if (engine != nullptr && id > 0) {
        if (m_started) {
            rc = engine->stop_task(id);
            if (rc != DE_OK) {
                return rc;
            }
            m_started = false;
        }
        rc = engine->delete_task(id);
        if (rc != DE_OK) {
            return rc;
        }
        m_taskId = -1;
    }
    ClearCallbacks();
    return rc;
}

void CKivDownObj::HoldPolling() {
    m_gate.close();
    m_started = false;
}

void CKivDownObj::ReleasePolling() {
    m_started = true;
    m_gate.open();
}

void CKivDownObj::SetProgressCallback(ProgressCallback callback, void* user,
                                      std::shared_ptr<void> keepAlive) {
    std::shared_ptr<void> released;
    std::lock_guard lock(m_callbackMutex);
    m_progressCallback = callback;
    m_user = user;
    // The old value is let go after the lock: its owner may be freed with it.
    released = std::exchange(m_keepAlive, std::move(keepAlive));
}

void CKivDownObj::SetQueueCallback(QueueCallback callback, void* queue) {
    std::lock_guard lock(m_callbackMutex);
    m_queueCallback = callback;
    m_queue = queue;
}

void CKivDownObj::ClearCallbacks() {
    SetProgressCallback(nullptr, nullptr);
}

void CKivDownObj::Notify(TaskEvent kind, const TaskEventData& data) {
    ProgressCallback callback;
    void* user;
    std::shared_ptr<void> keepAlive; // the user value stays for this call, whoever clears it
    {
        std::lock_guard lock(m_callbackMutex);
        callback = m_progressCallback;
        user = m_user;
        keepAlive = m_keepAlive;
    }
    if (callback != nullptr) {
        callback(kind, user, data);
    }
}

void CKivDownObj::NotifyQueue(QueueCode code) {
    QueueCallback callback;
    void* queue;
    {
        std::lock_guard lock(m_callbackMutex);
        callback = m_queueCallback;
        queue = m_queue;
    }
    if (callback != nullptr) {
        callback(code, this, queue);
    }
}

std::string CKivDownObj::Url() const {
    std::lock_guard lock(m_textMutex);
    return m_url;
}

std::string CKivDownObj::Folder() const {
    std::lock_guard lock(m_textMutex);
    return m_folder;
}

std::string CKivDownObj::FileName() const {
    std::lock_guard lock(m_textMutex);
    return m_fileName;
}

std::string CKivDownObj::FullPath() const {
    std::lock_guard lock(m_textMutex);
    return m_folder + m_fileName;
}

SavedDownload CKivDownObj::Saved() const {
    std::lock_guard lock(m_textMutex);
    return SavedDownload{m_folder, m_fileName, m_fileSize, m_received};
}

void CKivDownObj::SetUrl(const std::string& url) {
    std::lock_guard lock(m_textMutex);
    m_url = url;
}

void CKivDownObj::SetFolder(const std::string& folder) {
    std::lock_guard lock(m_textMutex);
    m_folder = folder;
}

void CKivDownObj::SetFileName(const std::string& fileName) {
    std::lock_guard lock(m_textMutex);
    m_fileName = fileName;
}

void CKivDownObj::SetSizes(std::uint64_t fileSize, std::uint64_t received) {
    m_fileSize = fileSize;
    m_received = received;
}

void CKivDownObj::OnRun(std::stop_token stop) {
    const EngineFunctions* engine = CMiniDlLib::Engine();
    while (engine != nullptr && m_keepPolling && m_gate.pass(stop)) {
        std::int32_t id = m_taskId;
        if (id <= 0) {
            break;
        }
        unsigned char info[DE_INFO_SIZE] = {};
        if (engine->query_task_info(id, info) != DE_OK) {
            break; // the task is gone: keep the name and sizes of the last good poll
        }
        auto nameLength = Get<std::int32_t>(info, DE_INFO_NAME_LENGTH);
        if (nameLength > 0 && nameLength <= DE_INFO_NAME_MAX) {
            SetFileName(std::string(reinterpret_cast<const char*>(info + DE_INFO_NAME),
                                    static_cast<std::size_t>(nameLength)));
        }
        SetSizes(Get<std::uint64_t>(info, DE_INFO_FILE_SIZE),
                 Get<std::uint64_t>(info, DE_INFO_RECEIVED));
        if (!OnRunBody(info)) {
            break;
        }
        platform::SleepFor(stop, std::chrono::milliseconds(g_pollPeriodMs.load()));
    }
    m_polling = false;
    platform::DebugOutput("CKivDownObj::OnRun exit");
}

bool CKivDownObj::OnRunBody(const unsigned char* info) {
    switch (Get<std::int32_t>(info, DE_INFO_STATE)) {
    case DE_STATE_CONNECTING:
        return OnConnecting();
    case DE_STATE_CREATED:
        Notify(TaskEvent::EngineState1);
        return true;
    case DE_STATE_DOWNLOADING:
        return OnDownloading(info);
    case DE_STATE_PAUSED:
        Notify(TaskEvent::Paused);
        platform::DebugOutput("Task pause");
        return true;
    case DE_STATE_FINISHED: {
        NotifyQueue(QueueCode::Finished);
        std::string path = FullPath();
        TaskEventData data;
        data.path = path;
        Notify(TaskEvent::Finished, data);
        m_keepPolling = false;
        return false;
    }
    case DE_STATE_FAILED:
        OnFailed(info);
        return false;
    default:
        return true;
    }
}

bool CKivDownObj::OnConnecting() {
    int tick = m_tickCount++;
    if (tick == 0) {
        Notify(TaskEvent::Connecting);
    } else if (tick < kConnectPolls) {
        platform::DebugOutput("CKivDownObj::OnRunBody() Connecting...");
    } else {
        NotifyQueue(QueueCode::NoConnection);
        TaskEventData reached;
        reached.progress = ProgressRecord{m_fileSize, m_received, 0};
        Notify(TaskEvent::NoConnection, reached);
        StopEngineTask();
        platform::DebugOutput("CKivDownObj::OnRunBody() Connect fail.");
        return false;
    }
    return true;
}

bool CKivDownObj::OnDownloading(const unsigned char* info) {
    if (m_fileSize == 0) {
        return true;
    }
    NotifyQueue(QueueCode::Progress);
    {
        std::lock_guard lock(m_callbackMutex);
        if (m_progressCallback == nullptr) {
            return true;
        }
    }
    auto transferred = Get<std::uint64_t>(info, DE_INFO_TRANSFERRED);
    // The engine's count only grows for one engine task; a new one starts again from 0.
    std::uint64_t delta =
        transferred >= m_lastTransferred ? transferred - m_lastTransferred : transferred;
    m_lastTransferred = transferred;
    TaskEventData data;
    data.progress = ProgressRecord{m_fileSize, m_received, delta};
    Notify(TaskEvent::Progress, data);
    if (delta != 0) {
        m_tickCount = 0;
        return true;
    }
    if (++m_tickCount < kStallPolls) {
        return true;
    }
    TaskEventData stalled;
    stalled.progress = ProgressRecord{m_fileSize, m_received, 0};
    Notify(TaskEvent::Failed, stalled);
    StopEngineTask();
    return false;
}

void CKivDownObj::OnFailed(const unsigned char* info) {
    NotifyQueue(QueueCode::Failed);
    TaskEventData data;
    data.progress = ProgressRecord{m_fileSize, m_received, 0};
    data.failure = FailureFromEngine(Get<std::int32_t>(info, DE_INFO_FAILURE),
                                     Get<std::int32_t>(info, DE_INFO_HTTP_STATUS));
    Notify(TaskEvent::Failed, data);
    m_keepPolling = false;
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::int32_t id = m_taskId;
    if (id > 0) {
        if (!m_started || engine->stop_task(id) == DE_OK) {
            m_started = false;
            if (engine->delete_task(id) == DE_OK) {
                m_taskId = -1;
                ClearCallbacks();
            }
        }
    } else {
        ClearCallbacks();
    }
    platform::DebugOutput("TASK_STATE_FAIL");
}
