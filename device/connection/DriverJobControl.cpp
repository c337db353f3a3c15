#include "DriverJobControl.h"

#include "DriverInstall.h"
#include "DriverJob.h"

#include "platform/config/AppPaths.h"
#include "downloads/CKivDownQueue.h"
#include "webservices/MachineIdentity.h"
#include "webservices/SoapCalls.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

using JobPointer = std::shared_ptr<DriverJob>;

std::mutex g_slotLock;
JobPointer g_current; // guarded by g_slotLock: the one job; UI, worker and polling threads

std::mutex g_threadsLock;
std::condition_variable g_threadsDone;
int g_threads = 0; // guarded by g_threadsLock: running job threads

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

// Runs `body` on a thread of its own that shares the job. The threads are not joined: a
// cancelled job's thread ends at its next step, silently.
bool launchJobThread(JobPointer job, std::function<void(const JobPointer&)> body) {
    {
        std::lock_guard guard(g_threadsLock);
        ++g_threads;
    }
    auto run = [job = std::move(job), body = std::move(body)]() mutable {
        body(job);
        job.reset();
        body = nullptr;
        std::lock_guard guard(g_threadsLock);
        --g_threads;
        g_threadsDone.notify_all();
    };
    try {
        std::thread(std::move(run)).detach();
    } catch (const std::system_error&) {
        std::lock_guard guard(g_threadsLock);
        --g_threads;
        g_threadsDone.notify_all();
        return false;
    }
    return true;
}

void install(const JobPointer& job, const std::string& archive) {
    if (std::optional<DriverProgress> last = InstallDriver(*job, archive)) {
        endJob(job, *last);
    }
}

// The driver package's download: a saved one continued, else a new one, started at once.
CKivDownObj* startDownload(const JobPointer& job, const std::string& url,
                           const std::string& folder) {
    CKivDownQueue& queue = DriverQueue();
    CKivDownObj* task =
        queue.ContinueTask(url, "", "", true, &DownloadEvent, job->downloadUserValue());
    if (task == nullptr) {
        task = queue.AddNewTask(url, folder, true, &DownloadEvent, job->downloadUserValue());
    }
    return task;
}

// The job's worker: the lookup, then the finished package's install or the download (whose
// events carry the job on).
void lookUp(const JobPointer& job) {
    if (job->cancelled()) {
        return;
    }
    const bool is64 = webservices::IsWow64();
    job->report({DriverJobCode::LookingUp, 0, {}});
    webservices::DeviceDriverInfo info;
    const bool known = webservices::GetDevice(job->vid(), job->pid(), is64, info);
    if (job->cancelled()) {
        return;
    }
    if (!known) {
        endJob(job, {DriverJobCode::Retryable, 0, kDriverLookupFailed});
        return;
    }
    job->setPackage({info.url, info.md5, info.startFile, info.inf, is64});
    const std::string folder = DriverDownloadFolder();
    CKivDownQueue& queue = DriverQueue();
    if (queue.Init(true, "DownData.db") != 0) {
        endJob(job, {DriverJobCode::Failed, 0, kDriverDownloadFailed});
        return;
    }
    if (std::optional<std::string> finished = queue.FindFinished(info.url, folder)) {
        install(job, *finished);
        return;
    }
    CKivDownObj* task = startDownload(job, info.url, folder);
    if (task == nullptr) {
        endJob(job, {DriverJobCode::Failed, 0, kDriverDownloadFailed});
        return;
    }
    job->adoptTask(task);
}

} // namespace

std::string DriverDownloadFolder() {
    std::string documents;
    (void)GetDocumentsFolder(documents);
    return documents + "/rezizudazurud/download/devices/";
}

bool StartDriverJob(const std::string& vid, const std::string& pid,
                    DriverProgressCallback callback) {
    auto job = std::make_shared<DriverJob>(vid, pid, std::move(callback));
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

void DownloadEvent(TaskEvent kind, void* user, const TaskEventData& data) {
    JobPointer job = currentJob();
    if (!job || job->id() != DriverJob::IdFromUserValue(user) || job->cancelled()) {
        return;
    }
    switch (kind) {
    case TaskEvent::Progress:
        if (data.progress.fileSize != 0) {
            job->report({DriverJobCode::Downloading,
                         DownloadPercent(data.progress.received, data.progress.fileSize),
                         {}});
        }
        break;
    case TaskEvent::Finished:
        // The install runs on a thread of the job, not on the download's polling thread, so the
        // queue can delete the finished task while the installer runs.
        if (!launchJobThread(job, [path = std::string(data.path)](const JobPointer& self) {
                install(self, path);
            })) {
            endJob(job, {DriverJobCode::Failed, 0, kDriverInstallFailed});
        }
        break;
    case TaskEvent::Failed:
    case TaskEvent::NoConnection:
        endJob(job, {DriverJobCode::Retryable, 0, kDriverDownloadFailed});
        break;
    default:
        break;
    }
}

bool WaitForDriverJobThreads(std::chrono::milliseconds timeout) {
    std::unique_lock guard(g_threadsLock);
    return g_threadsDone.wait_for(guard, timeout, [] { return g_threads == 0; });
}

std::shared_ptr<DriverJob> CurrentDriverJobForTesting() {
    return currentJob();
}
