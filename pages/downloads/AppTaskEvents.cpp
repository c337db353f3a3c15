#include "AppTaskEvents.h"

#include "CKivXzglZzxzDlg.h"
#include "DownloadingRows.h"
#include "cKivDownloadInfo.h"

#include "platform/Interruptible.h"
#include "platform/StopScope.h"
#include "downloads/CKivAppDownMgr.h"
#include "downloads/CKivDownObj.h"
#include "downloads/FinalApkName.h"
#include "platform/DebugLog.h"
#include "ui/toolkit/KivMessaging.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

std::atomic<std::int64_t> g_completionPauseMs{1000};

std::mutex g_gateMutex;
std::function<void()> g_taskLeftGate; // guarded by g_gateMutex

void PassTaskLeftGate() {
    std::function<void()> gate;
    {
        std::lock_guard lock(g_gateMutex);
        gate = g_taskLeftGate;
    }
    if (gate) {
        gate();
    }
}

void SaveProgress(const cKivAppInfo& entry, CKivDownObj& task) {
    const SavedDownload saved = task.Saved();
    if (CKivAppDownMgr* manager = CKivAppDownMgr::Find()) {
        manager->database().apps().saveProgress(entry.Url, saved);
    }
}

} // namespace

void CKivXzglZzxzDlg::SetCompletionPauseForTesting(std::chrono::milliseconds pause) {
    g_completionPauseMs = pause.count() > 0 ? pause.count() : 1000;
}

void AppTaskEvents::SetTaskLeftGateForTesting(std::function<void()> gate) {
    std::lock_guard lock(g_gateMutex);
    g_taskLeftGate = std::move(gate);
}

// `user` is the entry, which the task keeps alive while this runs; the row model is held for
// the call, so a page that closes meanwhile leaves it valid until the call returns.
void AppTaskEvents::OnPackageEvent(TaskEvent kind, void* user, const TaskEventData& data) {
    auto* entry = static_cast<cKivAppInfo*>(user);
    const std::shared_ptr<DownloadingRows> rows = entry ? entry->rows.lock() : nullptr;
    if (!rows) {
        return;
    }
    switch (kind) {
    case TaskEvent::Connecting:
        entry->status = RowStatus::Connecting;
        rows->post(*entry, kMsgShowEntryState);
        return;
    case TaskEvent::Progress:
        OnProgress(*entry, *rows, data.progress);
        return;
    case TaskEvent::Finished:
        OnCompleted(*entry, *rows, std::string(data.path));
        return;
    case TaskEvent::NoConnection:
    case TaskEvent::Failed:
        OnEnded(*entry, *rows, kind, data);
        return;
    default:
        return; // state 1 and the pause (shown when it was asked for) change nothing
    }
}

void AppTaskEvents::OnProgress(cKivAppInfo& entry, DownloadingRows& rows,
                               const ProgressRecord& progress) {
    if (progress.fileSize > 0) {
        // 64-bit arithmetic: sizes above 40 MB would overflow 32 bits times 100.
        entry.percent = static_cast<std::int32_t>(progress.received * 100 / progress.fileSize);
    }
    entry.fileSize = progress.fileSize;
    entry.speed = progress.transferred;
    entry.status = RowStatus::Downloading;
    rows.post(entry, kMsgShowEntryState);
    const auto now = std::chrono::steady_clock::now();
    CKivDownObj* task = entry.task.load();
    if (task && progress.fileSize > 0 && progress.received > 0 &&
        (entry.lastSave == std::chrono::steady_clock::time_point{} ||
         now - entry.lastSave >= kSaveInterval)) {
        entry.lastSave = now;
        SaveProgress(entry, *task);
    }
}

void AppTaskEvents::OnEnded(cKivAppInfo& entry, DownloadingRows& rows, TaskEvent kind,
                            const TaskEventData& data) {
    // What was reached stays on the row: the size once known and the share written.
    const ProgressRecord& reached = data.progress;
    if (reached.fileSize > 0) {
        entry.fileSize = reached.fileSize;
        entry.percent = static_cast<std::int32_t>(
            std::min<std::uint64_t>(reached.received, reached.fileSize) * 100 / reached.fileSize);
    }
    entry.failure = kind == TaskEvent::Failed ? data.failure : DownloadFailure::Network;
    CKivDownObj* task = entry.task.exchange(nullptr);
    if (task) {
        // The figures are kept so that continue resumes instead of starting again.
        SaveProgress(entry, *task);
        if (CKivAppDownMgr* manager = CKivAppDownMgr::Find()) {
            manager->appQueue().RemoveTask(task);
        }
    }
    PassTaskLeftGate();
    entry.halted = true;
    entry.status = RowStatus::Failed;
    rows.post(entry, kMsgShowEntryState);
}

void AppTaskEvents::OnCompleted(cKivAppInfo& entry, DownloadingRows& rows,
                                const std::string& path) {
    if (!rows.claimForCompletion(entry)) {
        // The user's delete took the entry before it finished: the package goes with it.
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return;
    }
    if (CKivDownObj* task = entry.task.load(); task && entry.fileSize == 0) {
        entry.fileSize = task->FileSize(); // finished before its first progress report
    }
    entry.status = RowStatus::Completed;
    entry.percent = 100;
    rows.post(entry, kMsgShowEntryState);
    // The finished row shows for a moment; a stop of the task's thread (the page closing)
    // cuts the pause short, the package is still recorded.
    (void)platform::SleepFor(platform::CurrentStopToken(),
                             std::chrono::milliseconds(g_completionPauseMs.load()));
    FinishPackage(entry, rows, path);
}

void AppTaskEvents::FinishPackage(cKivAppInfo& entry, DownloadingRows& rows,
                                  const std::string& path) {
    CKivAppDownMgr* open = CKivAppDownMgr::Find();
    if (!open) {
        return; // the manager is being destroyed: its queues save what they hold
    }
    CKivAppDownMgr& manager = *open;
    if (CKivDownObj* icon = entry.iconTask.exchange(nullptr)) {
        icon->StopTaskAndWait();
        manager.iconQueue().RemoveTask(icon);
        manager.database().icons().forget(entry.IconUrl);
    }
    CKivDownObj* task = entry.task.load();
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string engineName = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string finalName = FinalApkName(entry.Name, folder, engineName);
    if (finalName.empty()) {
        finalName = engineName;
    }
    const std::uint64_t size = task ? task->FileSize() : entry.fileSize.load();
    const std::int64_t id =
        manager.database().apps().finish(entry.request(), folder, finalName, size, std::nullopt);

    auto finished = std::make_unique<cKivDownloadInfo>();
    finished->ID = id;
    finished->Url = entry.Url;
    finished->Name = entry.Name;
    finished->Type = entry.Type;
    finished->Ver = entry.Ver;
    finished->PackageName = entry.PackageName;
    finished->path = folder + finalName;
    finished->ValidType = entry.ValidType;
    finished->ValidValue = entry.ValidValue;
    finished->fileSize = size;
    finished->iconPath = manager.database().icons().find(entry.Url, entry.Ver).value_or("");
    PostKivMessageWith(rows.downloadedPage(), kMsgAddFinished, 0, std::move(finished));
    if (task) {
        // The finished task never calls again: it lets the entry go (this call keeps it).
        task->SetProgressCallback(nullptr, nullptr);
    }
    rows.post(entry, kMsgEntryLeft);
}

void AppTaskEvents::OnIconEvent(TaskEvent kind, void* user, const TaskEventData& data) {
    auto* entry = static_cast<cKivAppInfo*>(user);
    const std::shared_ptr<DownloadingRows> rows = entry ? entry->rows.lock() : nullptr;
    if (!rows) {
        return;
    }
    if (kind != TaskEvent::Finished && kind != TaskEvent::Failed &&
        kind != TaskEvent::NoConnection) {
        return;
    }
    CKivDownObj* icon = entry->iconTask.exchange(nullptr);
    if (!icon) {
        return; // the package's completion or a delete took it
    }
    CKivAppDownMgr* open = CKivAppDownMgr::Find();
    if (!open) {
        return;
    }
    CKivAppDownMgr& manager = *open;
    if (kind == TaskEvent::Finished) {
        const std::string path(data.path);
        const std::size_t slash = path.rfind('/');
        manager.database().icons().finish(entry->IconUrl, path.substr(0, slash + 1),
                                          path.substr(slash + 1), icon->FileSize());
        manager.iconQueue().RemoveTask(icon);
        rows->post(*entry, kMsgShowEntryState, CKivXzglZzxzDlg::kShowIcon);
        return;
    }
    manager.database().icons().saveProgress(entry->IconUrl, icon->Saved());
    manager.iconQueue().RemoveTask(icon);
}
