// The downloading page's work on tasks: creating, continuing, pausing and deleting them, and
// the deletion worker. Runs on the UI thread and on the page's workers.
#include "AppTaskEvents.h"
#include "CKivXzglZzxzDlg.h"

#include "downloads/CKivAppDownMgr.h"
#include "downloads/CKivDownObj.h"
#include "downloads/CMiniDlLib.h"
#include "platform/Interruptible.h"
#include "platform/config/AppPaths.h"
#include "ui/toolkit/KivMessaging.h"

#include <system_error>
#include <filesystem>

namespace {

bool EngineHasTempFile(const std::string& path) {
    const EngineFunctions* engine = CMiniDlLib::Engine();
    return engine && engine->is_tempfile_exist(path.c_str(), static_cast<int>(path.size())) != 0;
}

void DeleteEngineTempFile(const std::string& path) {
    const EngineFunctions* engine = CMiniDlLib::Engine();
    if (engine && !path.empty()) {
        engine->delete_tempfile(path.c_str(), static_cast<int>(path.size()));
    }
}

// A download the engine completed just before it was paused never reached the downloaded
// list: its package sits under the engine's name. Deleting the row deletes it too, unless a
// finished row names that file.
void DeleteUnclaimedPackage(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || !PathExists(path)) {
        return;
    }
    AppDownloadTable& apps = CKivAppDownMgr::Instance().database().apps();
    if (!apps.finishedRowNames(path.substr(0, slash + 1), path.substr(slash + 1))) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

} // namespace

CKivDownObj* CKivXzglZzxzDlg::createPackageTask(const EntryPtr& held) {
    cKivAppInfo& entry = *held;
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    AppDownloadTable& apps = manager.database().apps();
    CKivDownQueue& queue = manager.appQueue();
    if (apps.findContinuable(entry.Url)) {
        if (auto place = apps.readContinuation(entry.Url)) {
            if (CKivDownObj* task =
                    queue.ContinueTask(entry.Url, place->folder, place->fileName, false,
                                       AppTaskEvents::OnPackageEvent, &entry, held)) {
                return task;
            }
        }
        // The engine lost the partial file: the download starts again from nothing.
        apps.resetProgress(entry.Url);
    }
    CKivDownObj* task = queue.AddNewTask(entry.Url, manager.apkFolder() + "/", false,
                                         AppTaskEvents::OnPackageEvent, &entry, held);
    if (task && !apps.hasUnfinished(entry.Url)) {
        std::string programFolder;
        (void)GetModuleFolder(programFolder);
        apps.registerApp(entry.request(), programFolder);
    }
    return task;
}

CKivDownObj* CKivXzglZzxzDlg::createIconTask(const EntryPtr& held) {
    cKivAppInfo& entry = *held;
    if (entry.IconUrl.empty()) {
        return nullptr;
    }
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    IconDownloadTable& icons = manager.database().icons();
    CKivDownQueue& queue = manager.iconQueue();
    const std::string folder = manager.pictureFolder() + "/";
    if (!icons.hasUnfinished(entry.IconUrl)) {
        icons.registerIcon(entry.Url, entry.Ver, entry.IconUrl, folder);
    } else if (auto place = icons.findContinuable(entry.IconUrl)) {
        if (CKivDownObj* task =
                queue.ContinueTask(entry.IconUrl, place->folder, place->fileName, false,
                                   AppTaskEvents::OnIconEvent, &entry, held)) {
            return task;
        }
    }
    return queue.AddNewTask(entry.IconUrl, folder, false, AppTaskEvents::OnIconEvent, &entry, held);
}

void CKivXzglZzxzDlg::startTasks(cKivAppInfo& entry) {
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (CKivDownObj* task = entry.task.load()) {
        manager.appQueue().EnqueueTask(task);
    }
    if (CKivDownObj* icon = entry.iconTask.load()) {
        manager.iconQueue().EnqueueTask(icon);
    }
}

void CKivXzglZzxzDlg::ContinueEntry(const EntryPtr& entry) {
    if (!entry || entry->status == RowStatus::Completed) {
        return;
    }
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    CKivDownObj* task = entry->task.load();
    if (!task) {
        if (auto pending = manager.database().icons().pendingIconUrl(entry->Url, entry->Ver)) {
            entry->IconUrl = *pending;
        }
        const bool fresh = !manager.database().apps().findContinuable(entry->Url);
        CKivDownObj* created = createPackageTask(entry);
        if (!created) {
            return;
        }
        entry->task = created;
        entry->halted = false;
        if (!entry->iconTask.load()) {
            entry->iconTask = createIconTask(entry);
        }
        startTasks(*entry);
        if (fresh) {
            entry->percent = 0;
        }
        post(*entry, kMsgShowEntryState, fresh ? kShowWaitingAtZero : kShowWaiting);
        return;
    }
    if (!entry->halted) {
        return;
    }
    if (!EngineHasTempFile(task->FullPath())) {
        // Nothing left to resume: start again from the first byte.
        if (entry->task.compare_exchange_strong(task, nullptr)) {
            manager.appQueue().RemoveTask(task);
        }
        manager.database().apps().resetProgress(entry->Url);
        CKivDownObj* fresh =
            manager.appQueue().AddNewTask(entry->Url, manager.apkFolder() + "/", false,
                                          AppTaskEvents::OnPackageEvent, entry.get(), entry);
        if (!fresh) {
            return;
        }
        entry->task = fresh;
        entry->percent = 0;
        entry->halted = false;
        manager.appQueue().EnqueueTask(fresh);
        post(*entry, kMsgShowEntryState, kShowWaitingAtZero);
        return;
    }
    if (manager.appQueue().ResumeTask(task) == 0) {
        entry->halted = false;
        post(*entry, kMsgShowEntryState, kShowWaiting);
    }
}

void CKivXzglZzxzDlg::PauseEntry(const EntryPtr& entry) {
    if (!entry || entry->halted || entry->status == RowStatus::Completed) {
        return;
    }
    CKivDownObj* task = entry->task.load();
    if (!task) {
        return;
    }
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (manager.appQueue().PauseTask(task) == 0) {
        entry->halted = true;
        entry->status = RowStatus::Paused;
        manager.database().apps().saveProgress(entry->Url, task->Saved());
        post(*entry, kMsgShowEntryState);
    }
}

void CKivXzglZzxzDlg::startToolbarWorker(std::vector<EntryPtr> entries, bool continuing) {
    m_busy = true;
    setTickButtonsEnabled(false);
    // The action before has ended (the page takes no toolbar clicks while one runs): this joins
    // its thread.
    const bool started =
        m_toolbarWorker.start([this, entries = std::move(entries), continuing](std::stop_token) {
            for (const EntryPtr& entry : entries) {
                continuing ? ContinueEntry(entry) : PauseEntry(entry);
            }
            PostKivMessage(m_self, kMsgToolbarDone);
        });
    if (!started) {
        // Nothing was continued or paused; the page takes clicks again.
        PostKivMessage(m_self, kMsgToolbarDone);
    }
}

void CKivXzglZzxzDlg::runDeletionWorker(std::stop_token stop) {
    while (!stop.stop_requested()) {
        std::vector<EntryPtr> taken;
        bool dropped = false;
        {
            DownloadingRows::Deletions& deletions = m_model->deletions();
            std::unique_lock lock(deletions.mutex);
            if (!platform::WaitForWork(deletions.queued, lock, stop,
                                       [&deletions] { return !deletions.pending.empty(); })) {
                return;
            }
            dropped = !deletions.pending.empty();
            for (EntryPtr& entry : deletions.pending) {
                // A download that finished meanwhile is kept.
                if (entry->status != RowStatus::Completed && !entry->completing) {
                    entry->deleting = true;
                    taken.push_back(std::move(entry));
                }
            }
            deletions.pending.clear();
        }
        if (dropped && taken.empty()) {
            // Every entry finished meanwhile: nothing to delete, but the page is busy no more.
            PostKivMessage(m_self, kMsgToolbarDone);
        }
        for (const EntryPtr& entry : taken) {
            deleteEntry(entry);
            post(*entry, kMsgEntryLeft, 1);
        }
    }
}

void CKivXzglZzxzDlg::deleteEntry(const EntryPtr& entry) {
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (CKivDownObj* task = entry->task.exchange(nullptr)) {
        const std::string path = task->FullPath();
        task->StopTaskAndWait();
        DeleteEngineTempFile(path);
        DeleteUnclaimedPackage(path);
        manager.appQueue().RemoveTask(task);
    }
    if (CKivDownObj* icon = entry->iconTask.exchange(nullptr)) {
        const std::string path = icon->FullPath();
        icon->StopTaskAndWait();
        DeleteEngineTempFile(path);
        manager.iconQueue().RemoveTask(icon);
    }
    const DeletedAppDownload left =
        manager.database().apps().deleteUnfinished(entry->Url, entry->Ver);
    if (left.packagePath) {
        DeleteEngineTempFile(*left.packagePath);
        DeleteUnclaimedPackage(*left.packagePath);
    }
    for (const std::string& icon : left.iconPaths) {
        DeleteEngineTempFile(icon);
    }
}

void CKivXzglZzxzDlg::stopTasksForClose(cKivAppInfo& entry) {
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (CKivDownObj* task = entry.task.exchange(nullptr)) {
        task->StopTaskAndWait();
        manager.database().apps().saveProgress(entry.Url, task->Saved());
        manager.appQueue().RemoveTask(task);
    }
    if (CKivDownObj* icon = entry.iconTask.exchange(nullptr)) {
        icon->StopTaskAndWait();
        const SavedDownload saved = icon->Saved();
        if (saved.fileSize > 0 && saved.received > 0) {
            manager.database().icons().saveProgress(entry.IconUrl, saved);
        }
        manager.iconQueue().RemoveTask(icon);
    }
}
