// One driver job: the state its threads share (the phone's ids, the wizard's listener, what the
// web service said about the package, the download task) and the rules for reporting and
// cancelling. The job is held by shared pointers: the process-wide slot and each of its running
// threads. Download tasks know it only by its id, so an event that arrives after the job was
// cancelled or freed finds nothing. Start, cancel and events: DriverJobControl.h.
#pragma once

#include "DriverJobTypes.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

class CKivDownObj;

/// What the web service named for the phone, and the machine type it was asked with.
struct DriverPackage {
    std::string url;
    std::string md5;
    std::string startFile;
    bool inf = false;  ///< DeviceType "INI": the package is installed with DPInst
    bool is64 = false; ///< the system is 64-bit (DPInst64 rather than DPInst32)
};

class DriverJob {
public:
    /// `vid` and `pid` are cut to their first four characters.
    DriverJob(const std::string& vid, const std::string& pid, DriverProgressCallback callback);
    DriverJob(const DriverJob&) = delete;
    DriverJob& operator=(const DriverJob&) = delete;

    std::uint64_t id() const { return m_id; }
    /// The user value given to the download task: the id, never the address.
    void* downloadUserValue() const;
    static std::uint64_t IdFromUserValue(void* user);

    const std::string& vid() const { return m_vid; }
    const std::string& pid() const { return m_pid; }

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

    /// Takes charge of the job's download task. When the job has already let go of its task
    /// (it ended or was cancelled while the task was being created) the task is removed at once.
    void adoptTask(CKivDownObj* task);

private:
    void releaseTask();

    const std::uint64_t m_id;
    const std::string m_vid;
    const std::string m_pid;
    const DriverProgressCallback m_callback;

    std::atomic<bool> m_cancelled{false}; // any thread
    std::stop_source m_stop;              // thread-safe by itself

    std::mutex m_reportLock; // held while the listener runs; cancel() waits on it
    std::atomic<std::thread::id> m_reportingThread{};

    std::mutex m_taskLock; // guards the two members below; worker, polling and UI threads
    CKivDownObj* m_task = nullptr;
    bool m_taskReleased = false;

    mutable std::mutex m_packageLock; // guards m_package; worker and install threads
    DriverPackage m_package;
};
