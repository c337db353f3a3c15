#include "CKivAppDownMgr.h"

#include "download_engine.h"
#include "platform/DebugLog.h"
#include "platform/config/AppPaths.h"

namespace {

std::mutex g_managerMutex;
std::unique_ptr<CKivAppDownMgr> g_manager; // guarded by g_managerMutex

std::string DownloadFolder(const char* leaf) {
    std::string documents;
    GetDocumentsFolder(documents);
    return documents + "/rezizudazurud/download/" + leaf;
}

} // namespace

CKivAppDownMgr::CKivAppDownMgr()
    : m_apkFolder(DownloadFolder("apk")), m_pictureFolder(DownloadFolder("picture")) {
    // An icon URL may name anything: the engine keeps at most 1 MiB of a picture.
    m_iconQueue.SetTaskType(DE_TASK_TYPE_ICON);
}

// The members go in reverse order: the queues stop their tasks while the database is still
// open, and the database closes last.
CKivAppDownMgr::~CKivAppDownMgr() = default;

CKivAppDownMgr& CKivAppDownMgr::Open() {
    std::lock_guard lock(g_managerMutex);
    if (!g_manager) {
        g_manager.reset(new CKivAppDownMgr());
    }
    return *g_manager;
}

CKivAppDownMgr& CKivAppDownMgr::Instance() {
    if (CKivAppDownMgr* open = Find()) {
        return *open;
    }
    platform::DebugOutput("download manager: used while none was open; opening one");
    return Open();
}

CKivAppDownMgr* CKivAppDownMgr::Find() {
    std::lock_guard lock(g_managerMutex);
    return g_manager.get();
}

void CKivAppDownMgr::Destroy() {
    std::unique_ptr<CKivAppDownMgr> gone;
    {
        std::lock_guard lock(g_managerMutex);
        gone = std::move(g_manager);
    }
    // Destroyed outside the lock: the queues wait for their task threads, whose callbacks
    // may ask for the manager.
}

bool CKivAppDownMgr::Exists() {
    std::lock_guard lock(g_managerMutex);
    return g_manager != nullptr;
}

bool CKivAppDownMgr::OpenDatabase() {
    // The folders first, each time: a user may have removed them since.
    (void)CreateDirectoryPath(m_apkFolder.c_str());
    (void)CreateDirectoryPath(m_pictureFolder.c_str());
    if (m_db.isOpen()) {
        return true;
    }
    return m_db.openInProgramFolder() == 0;
}

bool CKivAppDownMgr::InitQueues() {
    const bool apps = m_appQueue.Init(false) == 0;
    const bool icons = m_iconQueue.Init(false) == 0;
    if (apps && icons) {
        m_appQueue.SetLimit(kQueueLimit);
        m_iconQueue.SetLimit(kQueueLimit);
    }
    return apps && icons;
}

bool InitAppDownloadQueues() {
    const bool drivers = DriverQueue().Init(true, "DownData.db") == 0;
    const bool apps = CKivAppDownMgr::Open().InitQueues();
    return drivers && apps;
}
