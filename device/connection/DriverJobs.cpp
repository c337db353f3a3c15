#include "DriverJobs.h"

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

} // namespace

// Shared with the download news sinks a job hands out, so that news arriving after the owner
// is gone find nothing.
struct DriverJobs::State {
    explicit State(DriverJobParts given)
        : parts(std::make_shared<const DriverJobParts>(std::move(given))) {}

    const std::shared_ptr<const DriverJobParts> parts;
    mutable std::mutex slotLock;
    JobPointer current;   // guarded by slotLock: the one job; UI, worker and polling threads
    bool stopped = false; // guarded by slotLock: stop() ran, no thread starts any more
    // The jobs' threads. A job's own cancel does not stop them (an installer run is left to
    // finish, silently); stop() does.
    platform::ThreadGroup threads;

    JobPointer currentJob() const {
        std::lock_guard guard(slotLock);
        return current;
    }
};

namespace {

using State = DriverJobs::State;

// Ends a job that ran its course with its last report, and frees the slot if it still holds it.
void endJob(State& state, const JobPointer& job, const DriverProgress& last) {
    job->finish(last);
    std::lock_guard guard(state.slotLock);
    if (state.current == job) {
        state.current.reset();
    }
}

using JobBody = std::function<void(const std::shared_ptr<State>&, const JobPointer&)>;

// Runs `body` on a job thread that shares the job. Started under the slot's lock, so that a
// thread either starts before stop() and is joined by it, or not at all: no job thread can
// outlive the owner's stop and end up holding the last reference to its own group.
bool launchJobThread(const std::shared_ptr<State>& state, JobPointer job, JobBody body) {
    std::lock_guard guard(state->slotLock);
    if (state->stopped) {
        return false;
    }
    return state->threads.start([weak = std::weak_ptr<State>(state), job = std::move(job),
                                 body = std::move(body)](std::stop_token) {
        if (std::shared_ptr<State> alive = weak.lock()) {
            body(alive, job);
        }
    });
}

void install(State& state, const JobPointer& job, const std::string& archive) {
    const DriverJobParts& parts = job->parts();
    std::optional<DriverProgress> last =
        parts.install ? parts.install(*job, archive) : InstallDriver(*job, archive);
    if (last) {
        endJob(state, job, *last);
    }
}

// What the download of `job` reports (on the download's polling thread). News for a job that
// is cancelled, ended or replaced do nothing.
void onDownloadNews(const std::shared_ptr<State>& state, std::uint64_t jobId,
                    const DriverDownloadNews& news) {
    JobPointer job = state->currentJob();
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
        // The install runs on a thread of the job, not on the download's polling thread, so
        // the queue can delete the finished task while the installer runs.
        if (!launchJobThread(
                state, job,
                [path = news.path](const std::shared_ptr<State>& owner, const JobPointer& self) {
                    install(*owner, self, path);
                })) {
            endJob(*state, job,
                   {DriverJobCode::Failed, 0, kDriverInstallFailed, DriverFailure::InstallFailed});
        }
        break;
    case DriverDownloadNews::Kind::Failed:
        endJob(*state, job, {DriverJobCode::Retryable, 0, kDriverDownloadFailed, news.failure});
        break;
    }
}

DriverNewsSink newsSinkFor(const std::shared_ptr<State>& state, std::uint64_t jobId) {
    return [weak = std::weak_ptr<State>(state), jobId](const DriverDownloadNews& news) {
        if (std::shared_ptr<State> alive = weak.lock()) {
            onDownloadNews(alive, jobId, news);
        }
    };
}

// The job's worker: the lookup, then the finished package's install or the download (whose
// news carry the job on).
void lookUp(const std::shared_ptr<State>& state, const JobPointer& job) {
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
        endJob(*state, job,
               {DriverJobCode::Retryable, 0, kDriverLookupFailed, DriverFailure::NoDriverKnown});
        return;
    }
    job->setPackage(package);
    const std::string folder = DriverDownloadFolder();
    if (!parts.openQueue()) {
        endJob(*state, job,
               {DriverJobCode::Failed, 0, kDriverDownloadFailed, DriverFailure::NotStarted});
        return;
    }
    if (std::optional<std::string> finished = parts.findFinished(package.url, folder)) {
        install(*state, job, *finished);
        return;
    }
    DriverDownloadHandle download =
        parts.startDownload(package.url, folder, job->id(), newsSinkFor(state, job->id()));
    if (download == nullptr) {
        endJob(*state, job,
               {DriverJobCode::Failed, 0, kDriverDownloadFailed, DriverFailure::NotStarted});
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

DriverJobs::DriverJobs(DriverJobParts parts) : m_state(std::make_shared<State>(std::move(parts))) {}

DriverJobs::~DriverJobs() {
    stop();
}

bool DriverJobs::start(const std::string& vid, const std::string& pid,
                       DriverProgressCallback callback) {
    if (!m_state->parts->complete()) {
        platform::DebugOutput("driver job: no web service and download queue were given");
        return false;
    }
    auto job = std::make_shared<DriverJob>(vid, pid, std::move(callback), m_state->parts);
    JobPointer previous;
    {
        std::lock_guard guard(m_state->slotLock);
        previous = std::exchange(m_state->current, job);
    }
    if (previous) {
        previous->cancel();
    }
    if (!launchJobThread(m_state, job, &lookUp)) {
        std::lock_guard guard(m_state->slotLock);
        if (m_state->current == job) {
            m_state->current.reset();
        }
        return false;
    }
    return true;
}

void DriverJobs::cancel() {
    JobPointer job;
    {
        std::lock_guard guard(m_state->slotLock);
        job = std::exchange(m_state->current, nullptr);
    }
    if (job) {
        job->cancel();
    }
}

bool DriverJobs::waitForThreads(std::chrono::milliseconds timeout) {
    return m_state->threads.waitIdle(timeout);
}

void DriverJobs::stop() {
    {
        std::lock_guard guard(m_state->slotLock);
        m_state->stopped = true;
    }
    cancel();
    m_state->threads.stopAndJoin();
}

std::shared_ptr<DriverJob> DriverJobs::currentForTesting() const {
    return m_state->currentJob();
}
