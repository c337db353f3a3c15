// Queue operations, the queue's listener and its database upkeep. The scheduler is in
// CKivDownQueueScheduler.cpp.
#include "CKivDownQueue.h"

#include "CMiniDlLib.h"

#include "platform/config/AppPaths.h"
#include "platform/Utf8.h"

#include <sqlite3.h>

#include <filesystem>
#include <utility>
#include <vector>

CKivDownQueue& DriverQueue() {
    static CKivDownQueue queue;
    return queue;
}

int CKivDownQueue::Init(bool useDatabase, const std::string& databaseFileName) {
    std::string moduleFolder;
    if (!GetModuleFolder(moduleFolder)) {
        return kNoModuleFolder;
    }
    if (!CMiniDlLib::LoadEngine(moduleFolder + "/" + CMiniDlLib::kEngineFileName)) {
        return kEngineNotLoaded;
    }
    bool called = false;
    if (int rc = CMiniDlLib::InitEngineOnce(called); rc != 0) {
        return rc;
    }
    m_calledInit = m_calledInit || called;
    if (useDatabase) {
        if (int rc = OpenDatabase(databaseFileName); rc != 0) {
            if (m_calledInit) {
                CMiniDlLib::UninitEngine();
                m_calledInit = false;
            }
            return rc;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_useDatabase = useDatabase;
    }
    if (StartScheduler() != 0) {
        if (m_calledInit) {
            CMiniDlLib::UninitEngine();
            m_calledInit = false;
        }
        return kSchedulerNotStarted;
    }
    return 0;
}

int CKivDownQueue::OpenDatabase(const std::string& databaseFileName) {
    std::lock_guard lock(m_mutex);
    if (m_db) {
        return 0; // one connection, opened once and kept until the queue goes
    }
    std::string path;
    if (!BuildAppPath(databaseFileName.c_str(), "data", true, path)) {
        return kNoAppPath;
    }
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (!CreateDirectoryPath(folder.c_str())) {
        return kDataFolderNotCreated;
    }
    auto db = std::make_unique<DownDataDatabase>();
    if (db->openFile(path) != SQLITE_OK) {
        return kDatabaseNotOpened;
    }
    if (int rc = db->createTables(); rc != SQLITE_OK) {
        db->close();
        return rc;
    }
    m_db = std::move(db);
    return 0;
}

void CKivDownQueue::WakeScheduler() {
    {
        std::lock_guard lock(m_mutex);
        m_wakeUp = true;
    }
    m_wake.notify_all();
}

void CKivDownQueue::SetLimit(int limit) {
    {
        std::lock_guard lock(m_mutex);
        m_limit = limit > 0 ? limit : 1;
    }
    WakeScheduler();
}

bool CKivDownQueue::UsesDatabase() {
    std::lock_guard lock(m_mutex);
    return m_useDatabase && m_db != nullptr;
}

DownDataDatabase* CKivDownQueue::Database() {
    return UsesDatabase() ? m_db.get() : nullptr;
}

std::optional<std::string> CKivDownQueue::FindFinished(const std::string& url,
                                                       const std::string& folder) {
    DownDataDatabase* db = Database();
    if (db == nullptr) {
        return std::nullopt;
    }
    RecordFinishedOnDisk(*db, url, folder);
    return db->findFinished(url, folder);
}

bool CKivDownQueue::HasTempFile(const std::string& path) {
    const EngineFunctions* engine = CMiniDlLib::Engine();
    return engine != nullptr &&
           engine->is_tempfile_exist(path.data(), static_cast<std::int32_t>(path.size())) != 0;
}

// The engine renames the complete file before the polling thread sees it finished and the
// database says so; a process killed in between leaves a Downloading row whose temporary file
// has become the final file. That download is finished, not to be fetched once more.
void CKivDownQueue::RecordFinishedOnDisk(DownDataDatabase& db, const std::string& url,
                                         const std::string& folder) {
    std::optional<SavedDownload> saved = db.readForContinuing(url);
    if (!saved || saved->folder != folder || saved->fileName.empty() || HasQueuedUrl(url)) {
        return;
    }
    const std::string path = saved->folder + saved->fileName;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || HasTempFile(path) || (saved->fileSize != 0 && size != saved->fileSize)) {
        return;
    }
    saved->fileSize = size;
    saved->received = size;
    db.finishDownload(url, *saved);
}

std::optional<std::string> CKivDownQueue::FindContinuable(const std::string& url) {
    DownDataDatabase* db = Database();
    if (db == nullptr) {
        return std::nullopt;
    }
    if (auto path = db->findContinuable(url)) {
        return path;
    }
    // Recorded when it was created, before its size was known: continuable while its
    // temporary file is there.
    std::optional<SavedDownload> saved = db->readForContinuing(url);
    if (saved && !saved->fileName.empty() && HasTempFile(saved->folder + saved->fileName)) {
        return saved->folder + saved->fileName;
    }
    return std::nullopt;
}

void CKivDownQueue::ForgetSaved(const std::string& url) {
    DownDataDatabase* db = Database();
    if (db == nullptr) {
        return;
    }
    CKivDownObj task;
    SavedDownload saved = db->readForContinuing(url).value_or(SavedDownload{});
    task.SetUrl(url);
    task.SetFolder(saved.folder);
    task.SetFileName(saved.fileName);
    Forget(task);
}

CKivDownObj* CKivDownQueue::AddNewTask(const std::string& url, const std::string& folder,
                                       bool startNow, ProgressCallback callback, void* user,
                                       std::shared_ptr<void> keepAlive) {
    DownDataDatabase* db = Database();
    if (db != nullptr && FindContinuable(url)) {
        return nullptr; // a saved download of the URL is to be continued, not restarted
    }
    auto task = std::make_unique<CKivDownObj>();
    if (CMiniDlLib::CreateTask(folder, *task, url) != 0 || !ApplyTaskType(*task)) {
        return nullptr;
    }
    if (db != nullptr) {
        // The row names the temporary file at once, so that a process killed before the
        // first progress save continues this file instead of starting a numbered one.
        db->registerDownload(url, task->Folder());
        db->saveProgress(url, task->Saved());
    }
    return Adopt(std::move(task), startNow, callback, user, std::move(keepAlive));
}

CKivDownObj* CKivDownQueue::ContinueTask(const std::string& url, const std::string& folder,
                                         const std::string& fileName, bool startNow,
                                         ProgressCallback callback, void* user,
                                         std::shared_ptr<void> keepAlive) {
    DownDataDatabase* db = Database();
    if (db != nullptr ? !FindContinuable(url) : (folder.empty() || fileName.empty())) {
        return nullptr;
    }
    if (HasQueuedUrl(url)) {
        return nullptr;
    }
    auto task = std::make_unique<CKivDownObj>();
    if (db != nullptr) {
        SavedDownload saved = db->readForContinuing(url).value_or(SavedDownload{});
        task->SetFolder(saved.folder);
        task->SetFileName(saved.fileName);
        task->SetSizes(saved.fileSize, saved.received);
    } else {
        task->SetFolder(folder);
        task->SetFileName(fileName);
    }
    if (CMiniDlLib::CreateContinuedTask(*task, url) != 0 || !ApplyTaskType(*task)) {
        if (db != nullptr) {
            Forget(*task);
        }
        return nullptr;
    }
    return Adopt(std::move(task), startNow, callback, user, std::move(keepAlive));
}

void CKivDownQueue::SetTaskType(std::int32_t engineTaskType) {
    std::lock_guard lock(m_mutex);
    m_taskType = engineTaskType;
}

bool CKivDownQueue::ApplyTaskType(CKivDownObj& task) {
    std::int32_t type = 0;
    {
        std::lock_guard lock(m_mutex);
        type = m_taskType;
    }
    const EngineFunctions* engine = CMiniDlLib::Engine();
    if (type == DE_TASK_TYPE_DEFAULT || engine == nullptr) {
        return true; // every task starts as an ordinary one
    }
    return engine->set_task_type(task.TaskId(), type) == DE_OK;
}

void CKivDownQueue::Forget(CKivDownObj& task) {
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::string path = task.FullPath();
    auto length = static_cast<std::int32_t>(path.size());
    if (engine != nullptr && engine->is_tempfile_exist(path.data(), length) != 0) {
        engine->delete_tempfile(path.data(), length);
    }
    if (DownDataDatabase* db = Database()) {
        db->forget(task.Url());
    }
}

bool CKivDownQueue::HasQueuedUrl(const std::string& url) {
    std::lock_guard lock(m_mutex);
    for (const auto& [key, entry] : m_tasks) {
        if (entry.state != QueueState::Removing &&
            platform::EqualsIgnoreAsciiCase(entry.task->Url(), url)) {
            return true;
        }
    }
    return false;
}

CKivDownObj* CKivDownQueue::Adopt(std::unique_ptr<CKivDownObj> task, bool startNow,
                                  ProgressCallback callback, void* user,
                                  std::shared_ptr<void> keepAlive) {
    CKivDownObj* raw = task.get();
    raw->SetQueueCallback(&CKivDownQueue::OnQueueEvent, this);
    raw->SetProgressCallback(callback, user, std::move(keepAlive));
    {
        std::lock_guard lock(m_mutex);
        Entry entry;
        entry.task = std::move(task);
        m_tasks.emplace(m_nextKey++, std::move(entry));
    }
    if (startNow) {
        EnqueueTask(raw);
    }
    return raw;
}

CKivDownQueue::EntryMap::iterator CKivDownQueue::Find(CKivDownObj* task) {
    for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
        if (it->second.task.get() == task) {
            return it;
        }
    }
    return m_tasks.end();
}

void CKivDownQueue::GiveBackSlot(Entry& entry) {
    // Only a Running task holds a slot: a paused or stopped one gave it back already.
    if (entry.state == QueueState::Running && m_active > 0) {
        --m_active;
    }
}

int CKivDownQueue::EnqueueTask(CKivDownObj* task) {
    {
        std::lock_guard lock(m_mutex);
        auto it = task != nullptr ? Find(task) : m_tasks.end();
        if (it == m_tasks.end()) {
            return -2;
        }
        if (it->second.queued) {
            return -1;
        }
        it->second.queued = true;
        it->second.state = QueueState::Waiting;
    }
    WakeScheduler();
    return 0;
}

int CKivDownQueue::PauseTask(CKivDownObj* task) {
    {
        std::lock_guard lock(m_mutex);
        auto it = Find(task);
        if (it == m_tasks.end() || !it->second.queued || it->second.removeAsked) {
            return -1;
        }
    }
    const EngineFunctions* engine = CMiniDlLib::Engine();
    int rc = -1;
    bool stopped = false;
    std::int32_t id = task->TaskId();
    if (engine != nullptr && id > 0 && task->IsPolling()) {
        rc = engine->stop_task(id);
        stopped = rc == DE_OK;
        if (stopped) {
            task->HoldPolling();
        }
    }
    std::lock_guard lock(m_mutex);
    auto it = Find(task);
    if (it == m_tasks.end() || it->second.removeAsked) {
        return stopped ? 0 : rc;
    }
    GiveBackSlot(it->second);
    it->second.state = QueueState::Paused;
    return 0;
}

int CKivDownQueue::ResumeTask(CKivDownObj* task) {
    {
        std::lock_guard lock(m_mutex);
        auto it = Find(task);
        if (it == m_tasks.end() || !it->second.queued || it->second.removeAsked) {
            return -1;
        }
        if (it->second.state == QueueState::Running) {
            return 0; // counted once only
        }
        it->second.state = QueueState::ResumeRequested;
    }
    WakeScheduler();
    return 0;
}

int CKivDownQueue::RemoveTask(CKivDownObj* task) {
    bool saveProgress = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = Find(task);
        if (it == m_tasks.end() || !it->second.queued || it->second.removeAsked) {
            return -1;
        }
        Entry& entry = it->second;
        saveProgress = entry.state == QueueState::Running || entry.state == QueueState::Paused;
        GiveBackSlot(entry);
        if (entry.state == QueueState::Running) {
            entry.state = QueueState::Stopped;
        }
        entry.removeAsked = true;
    }
    int rc = task->StopEngineTask();
    DownDataDatabase* db = Database();
    if (db != nullptr && saveProgress) {
        db->saveProgress(task->Url(), task->Saved());
    }
    {
        std::lock_guard lock(m_mutex);
        auto it = Find(task);
        if (it != m_tasks.end()) {
            it->second.state = QueueState::Removing;
        }
    }
    WakeScheduler();
    return rc;
}

std::optional<QueueState> CKivDownQueue::StateOf(CKivDownObj* task) {
    std::lock_guard lock(m_mutex);
    auto it = Find(task);
    if (it == m_tasks.end() || !it->second.queued) {
        return std::nullopt;
    }
    return it->second.state;
}

int CKivDownQueue::ActiveCount() {
    std::lock_guard lock(m_mutex);
    return m_active;
}

void CKivDownQueue::OnQueueEvent(QueueCode code, CKivDownObj* task, void* queue) {
    static_cast<CKivDownQueue*>(queue)->HandleEvent(code, task);
}

void CKivDownQueue::HandleEvent(QueueCode code, CKivDownObj* task) {
    bool finish = false;
    bool save = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = Find(task);
        if (it == m_tasks.end() || it->second.removeAsked) {
            return;
        }
        Entry& entry = it->second;
        auto now = std::chrono::steady_clock::now();
        switch (code) {
        case QueueCode::Finished:
            GiveBackSlot(entry);
            entry.state = QueueState::Completed;
            finish = true;
            break;
        case QueueCode::Failed:
        case QueueCode::NoConnection:
            GiveBackSlot(entry);
            entry.state = QueueState::Stopped;
            save = true;
            break;
        case QueueCode::Progress:
            save = entry.lastSave == std::chrono::steady_clock::time_point{} ||
                   now - entry.lastSave >= kProgressSaveInterval;
            break;
        }
        if (save) {
            entry.lastSave = now;
        }
    }
    WakeScheduler();
    DownDataDatabase* db = Database();
    if (db == nullptr) {
        return;
    }
    if (finish) {
        db->finishDownload(task->Url(), task->Saved());
    } else if (save) {
        db->saveProgress(task->Url(), task->Saved());
    }
}
