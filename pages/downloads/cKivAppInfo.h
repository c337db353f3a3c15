// cKivAppInfo: one unfinished app download of the downloading page, from the store's request
// until it finishes or is deleted.
//
// Ownership: the page's row model (DownloadingRows) and the entry's tasks share it; a task
// holds it while it may call back, so a callback never outlives its entry.
//
// Threads: the texts and the model link are written on the UI thread before any task of the
// entry exists (and IconUrl only while it has none), then only read; the task pointers and
// figures are read and written by the UI thread, the page's workers and the tasks' polling
// threads, hence atomics.
#pragma once

#include "RowStatus.h"

#include "downloads/DownloadRows.h"
#include "downloads/TaskEvent.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class CKivDownObj;
class DownloadingRows;

class cKivAppInfo {
public:
    cKivAppInfo();
    virtual ~cKivAppInfo() = default;
    cKivAppInfo(const cKivAppInfo&) = delete;
    cKivAppInfo& operator=(const cKivAppInfo&) = delete;

    /// Unique in the process: posted messages name entries by it, never by address.
    const std::uint64_t serial;

    std::string Url;
    std::string Name;
    std::string Type;
    std::string Ver;
    std::string PackageName;
    std::string IconUrl;
    std::string ValidType; ///< "MD5" when the request carried a checksum
    std::string ValidValue;

    std::atomic<CKivDownObj*> task{nullptr};     ///< the package task in the app queue
    std::atomic<CKivDownObj*> iconTask{nullptr}; ///< the icon task in the icon queue
    std::atomic<bool> halted{false};             ///< no running task: paused, restored or failed
    std::atomic<std::uint64_t> fileSize{0};
    std::atomic<std::uint64_t> speed{0}; ///< bytes of the last poll (per second)
    std::atomic<std::int32_t> percent{0};
    std::atomic<RowStatus> status{RowStatus::Waiting}; ///< what the row shows
    /// Why the download failed, when status is a failure (set before status).
    std::atomic<DownloadFailure> failure{DownloadFailure::Network};
    /// Set by the deletion worker when it takes the entry; completion then gives way.
    std::atomic<bool> deleting{false};
    /// Set by completion; the deletion worker then leaves the entry alone.
    std::atomic<bool> completing{false};

    /// The row model that lists the entry; set before the entry's tasks exist. Weak: a
    /// callback that outlives the page finds nothing and leaves.
    std::weak_ptr<DownloadingRows> rows;

    /// Polling thread of the package task only: when progress was last saved.
    std::chrono::steady_clock::time_point lastSave{};

    AppRequest request() const;
};
