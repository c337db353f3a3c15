// The downloading page's listeners of package and icon tasks. They run on the tasks' polling
// threads with the entry as user value: they touch the database, the entry's atomic figures
// and the queues, and post every visible change to the page.
#pragma once

#include "downloads/TaskEvent.h"

#include <chrono>

class cKivAppInfo;

class AppTaskEvents {
public:
    /// Progress of a running download is saved this often, so that a killed program continues
    /// from about where it was.
    static constexpr std::chrono::seconds kSaveInterval{2};

    static void OnPackageEvent(TaskEvent kind, void* user, const TaskEventData& data);
    static void OnIconEvent(TaskEvent kind, void* user, const TaskEventData& data);

private:
    static void OnProgress(cKivAppInfo& entry, const ProgressRecord& progress);
    static void OnEnded(cKivAppInfo& entry, TaskEvent kind, const TaskEventData& data);
    static void OnCompleted(cKivAppInfo& entry, const std::string& path);
    static void FinishPackage(cKivAppInfo& entry, const std::string& path);
};
