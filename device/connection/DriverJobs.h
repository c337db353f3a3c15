// Starting and cancelling the driver job, and the download news it receives. There is at most
// one job at a time: the slot of a DriverJobs holds it. The job asks the web service for the
// phone's driver package, downloads it through the driver queue into <Documents>/rezizudazurud/
// download/devices/ (or finds it there, finished, from an earlier job), and installs it
// (DriverInstall.h). The web service, the queue and the installer are the DriverJobParts the
// owner hands in; the program has one DriverJobs, owned where it is put together.
//
// Reports, in order: 0; 1 with the percent received (while downloading); 2 with 10, 15, 20, 24,
// 28 ... and 100 (installing); then 4 (installed, adb sees the phone) or 5 with a message. Code 3
// with a message ends a job whose lookup or download failed and may be retried.
#pragma once

#include "DriverJobParts.h"
#include "DriverJobTypes.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class DriverJob;

/// The folder driver packages are downloaded to: <Documents>/rezizudazurud/download/devices/.
std::string DriverDownloadFolder();

class DriverJobs {
public:
    /// Every job started later uses `parts`; an incomplete set starts none.
    explicit DriverJobs(DriverJobParts parts);
    /// Stops every job thread (see stop()).
    ~DriverJobs();
    DriverJobs(const DriverJobs&) = delete;
    DriverJobs& operator=(const DriverJobs&) = delete;

    /// Starts a job for the phone `vid`/`pid` (four hex digits each) reporting to `callback`.
    /// A job already running is cancelled first. False when its thread cannot be started or
    /// the parts are incomplete (nothing is reported then).
    bool start(const std::string& vid, const std::string& pid, DriverProgressCallback callback);

    /// Cancels the running job, if any: it removes its download from the driver queue, stops
    /// at its next step and never reports again once this returns (a report under way on
    /// another thread is told to stop and waited for). Any thread, also from inside the
    /// callback.
    void cancel();

    /// Waits until no job thread is running (a cancelled job's thread may still be finishing a
    /// step it does not interrupt, such as an installer run). False at `timeout`.
    bool waitForThreads(std::chrono::milliseconds timeout);

    /// Cancels the running job and stops and joins every job thread; an installer still
    /// running is killed. Program exit; not from a job's thread or callback.
    void stop();

    /// The job in the slot (tests: its download, cancelling from "outside").
    std::shared_ptr<DriverJob> currentForTesting() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};
