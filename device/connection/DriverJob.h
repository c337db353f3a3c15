// One driver job: the state its threads share (the phone's ids, the wizard's listener, what the
// web service said about the package, the download task) and the rules for reporting and
// cancelling. The job is held by shared pointers: the process-wide slot and each of its running
// threads. Download tasks know it only by its id, so an event that arrives after the job was
// cancelled or freed finds nothing. Start, cancel and events: DriverJobs.h.
#pragma once

#include "DriverJobParts.h"
#include "DriverJobTypes.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

class DriverJob {
public:
    /// `vid` and `pid` are cut to their first four characters. `parts` are the collaborators
    /// the job works with from start to end.
    DriverJob(const std::string& vid, const std::string& pid, DriverProgressCallback callback,
              std::shared_ptr<const DriverJobParts> parts);
    DriverJob(const DriverJob&) = delete;
    DriverJob& operator=(const DriverJob&) = delete;

    /// Names the job to its download, which never holds the job's address.
    std::uint64_t id() const { return m_id; }

    const std::string& vid() const { return m_vid; }
    const std::string& pid() const { return m_pid; }
    const DriverJobParts& parts() const { return *m_parts; }

    /// True once cancelled or ended: every step checks it before acting.
    bool cancelled() const { return m_cancelled.load(); }
    /// Stopped on cancellation: waits of the job's threads end early on it.
    std::stop_token stopToken() const { return m_stop.get_token(); }

    /// Set by the lookup before the download starts; read by the install.
    void setPackage(const DriverPackage& package);
    DriverPackage package() const;

    /// Tells the listener unless the job is cancelled. Reports are serialised.
    void report(const DriverProgress& progress);
    /// Cancels the job: later reports and steps do nothing, the listener's call under way (if
    /// any, on another thread) is told to stop and waited for, and the download task is removed
    /// from the driver queue. Any thread, also the listener's own; idempotent.
    void cancel();
    /// Ends a job that ran its course: removes the download task, then gives `last` to the
    /// listener (unless cancelled meanwhile). No report follows.
    void finish(const DriverProgress& last);

    /// Takes charge of the job's download. When the job has already let go of its download
    /// (it ended or was cancelled while the download was being started) it is removed at once.
    void adoptDownload(DriverDownloadHandle download);

private:
    void releaseDownload();

    const std::uint64_t m_id;
    const std::string m_vid;
    const std::string m_pid;
    const DriverProgressCallback m_callback;
    const std::shared_ptr<const DriverJobParts> m_parts;

    std::atomic<bool> m_cancelled{false}; // any thread
    std::stop_source m_stop;              // thread-safe by itself

    std::mutex m_reportLock; // held while the listener runs; cancel() waits on it
    std::atomic<std::thread::id> m_reportingThread{};

    std::mutex m_downloadLock; // guards the two members below; worker, polling and UI threads
    DriverDownloadHandle m_download = nullptr;
    bool m_downloadReleased = false;

    mutable std::mutex m_packageLock; // guards m_package; worker and install threads
    DriverPackage m_package;
};
