// RowStatus: what a downloading row shows of its download, set from the task's events and the
// user's pause. The events' numbers (TaskEvent) stay at the task's boundary.
#pragma once

#include "downloads/TaskEvent.h"

#include <optional>

enum class RowStatus {
    Waiting, ///< no event yet: queued, restored or continued ("等待开始下载" or "下载暂停")
    Connecting,  ///< the task's first poll ("正在连接")
    Downloading, ///< bytes arrive ("正在下载n%")
    Paused,      ///< paused by the user or restored paused ("下载暂停")
    Completed,   ///< the package is complete; the row leaves for the downloaded page
    Failed,      ///< the task ended without the package (no connection or a failure)
};

/// The status a task event sets; none for the events that change nothing on the row.
inline std::optional<RowStatus> RowStatusOf(TaskEvent kind) {
    switch (kind) {
    case TaskEvent::Connecting:
        return RowStatus::Connecting;
    case TaskEvent::Progress:
        return RowStatus::Downloading;
    case TaskEvent::Finished:
        return RowStatus::Completed;
    case TaskEvent::Failed:
    case TaskEvent::NoConnection:
        return RowStatus::Failed;
    case TaskEvent::EngineState1:
    case TaskEvent::Paused:
        break;
    }
    return std::nullopt;
}
