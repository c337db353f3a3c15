// Starting and cancelling the driver job, and the download news it receives. There is at most
// one job: the process-wide slot holds it. The job asks the web service for the phone's driver
// package, downloads it through the driver queue into <Documents>/rezizudazurud/download/
// devices/ (or finds it there, finished, from an earlier job), and installs it (DriverInstall.h).
// The web service, the queue and the installer are the parts set with SetDriverJobParts.
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

/// Sets the collaborators of every job started later (program start-up, tools, tests). A job
/// under way keeps the parts it started with. Any thread.
void SetDriverJobParts(DriverJobParts parts);

/// Starts a job for the phone `vid`/`pid` (four hex digits each) reporting to `callback`. A job
/// already running is cancelled first. False when its thread cannot be started or no complete
/// parts were set (nothing is reported then).
bool StartDriverJob(const std::string& vid, const std::string& pid,
                    DriverProgressCallback callback);

/// Cancels the running job, if any: it removes its download from the driver queue, stops at its
/// next step and never reports again once this returns (a report under way on another thread
/// is told to stop and waited for). Any thread, also from inside the callback.
void CancelDriverJob();

/// What the download of job `jobId` reports (on the download's polling thread). News for a job
/// that is cancelled, ended or replaced do nothing.
void DriverDownloadNewsFor(std::uint64_t jobId, const DriverDownloadNews& news);

/// Waits until no thread of any driver job is running (a cancelled job's thread may still be
/// finishing a step it does not interrupt, such as an installer run). False at `timeout`.
bool WaitForDriverJobThreads(std::chrono::milliseconds timeout);

/// Cancels the running job and stops and joins every job thread; an installer still running
/// is killed. Program exit; not from a job's thread or callback.
void StopDriverJobs();

/// The job in the slot (tests: its download user value, cancelling from "outside").
std::shared_ptr<DriverJob> CurrentDriverJobForTesting();
