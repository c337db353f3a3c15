// The downloading page's listeners of package and icon tasks. They run on the tasks' polling
// threads with the entry as user value, which the task keeps alive for every call: they touch
// the database, the entry's atomic figures and the queues, and post every visible change to
// the page through the entry's row model (DownloadingRows).
#pragma once

#include "downloads/TaskEvent.h"

#include <chrono>
#include <functional>

class DownloadingRows;
class cKivAppInfo;

class AppTaskEvents {
public:
    /// Progress of a running download is saved this often, so that a killed program continues
    /// from about where it was.
    static constexpr std::chrono::seconds kSaveInterval{2};

    static void OnPackageEvent(TaskEvent kind, void* user, const TaskEventData& data);
    static void OnIconEvent(TaskEvent kind, void* user, const TaskEventData& data);

    /// Called by a package callback that has let its ended task go, before it shows the
    /// failure on the row; tests hold the callback there. Null: none.
    static void SetTaskLeftGateForTesting(std::function<void()> gate);

private:
    static void OnProgress(cKivAppInfo& entry, DownloadingRows& rows,
                           const ProgressRecord& progress);
    static void OnEnded(cKivAppInfo& entry, DownloadingRows& rows, TaskEvent kind,
                        const TaskEventData& data);
    static void OnCompleted(cKivAppInfo& entry, DownloadingRows& rows, const std::string& path);
    static void FinishPackage(cKivAppInfo& entry, DownloadingRows& rows, const std::string& path);
};
