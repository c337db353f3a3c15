#include "DriverJobControl.h"

#include "DriverInstall.h"
#include "DriverJob.h"

#include "platform/DebugLog.h"
#include "platform/StopScope.h"
#include "platform/ThreadGroup.h"
#include "platform/config/AppPaths.h"

#include <functional>
#include <mutex>
#include <utility>

namespace {

using JobPointer = std::shared_ptr<DriverJob>;

std::mutex g_slotLock;
JobPointer g_current; // guarded by g_slotLock: the one job; UI, worker and polling threads

std::mutex g_partsLock;
std::shared_ptr<const DriverJobParts> g_parts; // guarded by g_partsLock; any thread

// The jobs' threads. A job's own cancel does not stop them (an installer run is left to finish,
// silently); StopDriverJobs does. Destroyed (joined) at static destruction at the latest.
platform::ThreadGroup& jobThreads() {
    static platform::ThreadGroup group;
    return group;
}

std::shared_ptr<const DriverJobParts> currentParts() {
    std::lock_guard guard(g_partsLock);
    return g_parts;
}

JobPointer currentJob() {
    std::lock_guard guard(g_slotLock);
    return g_current;
}

// Ends a job that ran its course with its last report, and frees the slot if it still holds it.
void endJob(const JobPointer& job, const DriverProgress& last) {
    job->finish(last);
    std::lock_guard guard(g_slotLock);
    if (g_current == job) {
        g_current.reset();
    }
}

// Runs `body` on a job thread that shares the job.
bool launchJobThread(JobPointer job, std::function<void(const JobPointer&)> body) {
    return jobThreads().start(
        [job = std::move(job), body = std::move(body)](std::stop_token) { body(job); });
}

void install(const JobPointer& job, const std::string& archive) {
    const DriverJobParts& parts = job->parts();
    std::optional<DriverProgress> last =
        parts.install ? parts.install(*job, archive) : InstallDriver(*job, archive);
    if (last) {
        endJob(job, *last);
    }
}

// The job's worker: the lookup, then the finished package's install or the download (whose
// events carry the job on).
void lookUp(const JobPointer& job) {
    if (job->cancelled()) {
        return;
    }
    const DriverJobParts& parts = job->parts();
    job->report({DriverJobCode::LookingUp, 0, {}});
    DriverPackage package;
    bool known = false;
    {
        // A cancel (also the one at program exit) ends the question to the service at once.
        platform::StopScope scope(job->stopToken());
        known = parts.lookUp(job->vid(), job->pid(), package);
    }
    if (job->cancelled()) {
        return;
    }
    if (!known) {
        endJob(job,
               {DriverJobCode::Retryable, 0, kDriverLookupFailed, DriverFailure::NoDriverKnown});
        return;
    }
    job->setPackage(package);
    const std::string folder = DriverDownloadFolder();
    if (!parts.openQueue()) {
        endJob(job, {DriverJobCode::Failed, 0, kDriverDownloadFailed, DriverFailure::NotStarted});
        return;
    }
    if (std::optional<std::string> finished = parts.findFinished(package.url, folder)) {
        install(job, *finished);
        return;
    }
    DriverDownloadHandle download = parts.startDownload(package.url, folder, job->id());
    if (download == nullptr) {
        endJob(job, {DriverJobCode::Failed, 0, kDriverDownloadFailed, DriverFailure::NotStarted});
        return;
    }
    job->adoptDownload(download);
}

} // namespace

std::string DriverDownloadFolder() {
    std::string documents;
    (void)GetDocumentsFolder(documents);
    return documents + "/rezizudazurud/download/devices/";
}

void SetDriverJobParts(DriverJobParts parts) {
    auto shared = std::make_shared<const DriverJobParts>(std::move(parts));
    std::lock_guard guard(g_partsLock);
    g_parts = std::move(shared);
}

bool StartDriverJob(const std::string& vid, const std::string& pid,
                    DriverProgressCallback callback) {
    std::shared_ptr<const DriverJobParts> parts = currentParts();
    if (!parts || !parts->complete()) {
        platform::DebugOutput("driver job: no web service and download queue were set");
        return false;
    }
    auto job = std::make_shared<DriverJob>(vid, pid, std::move(callback), std::move(parts));
    JobPointer previous;
    {
        std::lock_guard guard(g_slotLock);
        previous = std::exchange(g_current, job);
    }
    if (previous) {
        previous->cancel();
    }
    if (!launchJobThread(job, &lookUp)) {
        std::lock_guard guard(g_slotLock);
        if (g_current == job) {
            g_current.reset();
        }
        return false;
    }
    return true;
}

void CancelDriverJob() {
    JobPointer job;
    {
        std::lock_guard guard(g_slotLock);
        job = std::exchange(g_current, nullptr);
    }
    if (job) {
        job->cancel();
    }
}

void DriverDownloadNewsFor(std::uint64_t jobId, const DriverDownloadNews& news) {
    JobPointer job = currentJob();
    if (!job || job->id() != jobId || job->cancelled()) {
        return;
    }
    switch (news.kind) {
    case DriverDownloadNews::Kind::Progress:
        if (news.fileSize != 0) {
            job->report(
                {DriverJobCode::Downloading, DownloadPercent(news.received, news.fileSize), {}});
        }
        break;
    case DriverDownloadNews::Kind::Finished:
        // The install runs on a thread of the job, not on the download's polling thread, so the
        // queue can delete the finished task while the installer runs.
        if (!launchJobThread(job,
                             [path = news.path](const JobPointer& self) { install(self, path); })) {
            endJob(job,
                   {DriverJobCode::Failed, 0, kDriverInstallFailed, DriverFailure::InstallFailed});
        }
        break;
    case DriverDownloadNews::Kind::Failed:
        endJob(job, {DriverJobCode::Retryable, 0, kDriverDownloadFailed, news.failure});
        break;
    }
}

bool WaitForDriverJobThreads(std::chrono::milliseconds timeout) {
    return jobThreads().waitIdle(timeout);
}

void StopDriverJobs() {
    CancelDriverJob();
    jobThreads().stopAndJoin();
}

std::shared_ptr<DriverJob> CurrentDriverJobForTesting() {
    return currentJob();
}
