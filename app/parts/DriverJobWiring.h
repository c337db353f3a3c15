// The driver job's collaborators as the program has them: GetDevice on the configured web
// service, the process-wide driver download queue, and the installer of the device layer.
#pragma once

#include "device/connection/DriverJobParts.h"

#include "downloads/TaskEvent.h"

/// The real collaborators of the program's DriverJobs.
DriverJobParts MakeDriverJobParts();

/// The driver download's listener: turns the queue's events into the job's news. `user` is the
/// job's id (never an address, so a late event for a freed job finds nothing).
void DriverDownloadListener(TaskEvent kind, void* user, const TaskEventData& data);
