#include "KivInstallQueue.h"

#include "device/connection/FileMd5.h"
#include "downloads/apk/ApkFile.h"
#include "downloads/DownloadRows.h"
#include "platform/Interruptible.h"
#include "platform/StopScope.h"
#include "ui/toolkit/KivMessaging.h"

#include <QString>

#include <atomic>

namespace {

std::atomic<std::int64_t> g_resultPauseMs{1000};

/// The file's name without folder and extension: the app name of the install report.
std::string FileTitle(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::uint64_t TickCount() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

void KivInstallQueue::SetResultPauseForTesting(std::chrono::milliseconds pause) {
    g_resultPauseMs = pause.count() > 0 ? pause.count() : 1000;
}

KivInstallQueue::KivInstallQueue(KivWindowHandle page, std::string journal,
                                 KivInstallServices services)
    : m_page(std::move(page)), m_services(std::move(services)), m_rename(std::move(journal)) {}

KivInstallQueue::~KivInstallQueue() {
    m_thread.stop();
}

void KivInstallQueue::recoverParkedPackage() {
    (void)m_rename.recover();
}

bool KivInstallQueue::start() {
    return m_thread.start([this](std::stop_token stop) { run(stop); });
}

void KivInstallQueue::append(KivInstallJob job) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_jobAdded.notify_one();
}

void KivInstallQueue::remove(std::uint64_t serial) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_jobs, [&](const KivInstallJob& job) { return job.serial == serial; });
}

void KivInstallQueue::cancelInstall() {
    std::lock_guard lock(m_installLock);
    if (m_currentInstall) {
        m_currentInstall->request_stop();
    }
}

bool KivInstallQueue::empty() {
    std::lock_guard lock(m_mutex);
    return m_jobs.empty();
}

bool KivInstallQueue::containsUrl(const std::string& url) {
    const QString wanted = QString::fromStdString(url);
    std::lock_guard lock(m_mutex);
    for (const KivInstallJob& job : m_jobs) {
        if (QString::fromStdString(job.url).compare(wanted, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

void KivInstallQueue::post(std::uint64_t serial, int status) {
    PostKivMessage(m_page, kMsgInstallProgress, static_cast<KivWParam>(serial),
                   static_cast<KivLParam>(status));
}

bool KivInstallQueue::pause(std::stop_token stop, int seconds) {
    return platform::SleepFor(stop, std::chrono::milliseconds(g_resultPauseMs.load() * seconds));
}

void KivInstallQueue::run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        KivInstallJob job;
        {
            std::unique_lock lock(m_mutex);
            if (!platform::WaitForWork(m_jobAdded, lock, stop,
                                       [this] { return !m_jobs.empty(); })) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        installOne(job, stop);
    }
}

void KivInstallQueue::installOne(const KivInstallJob& job, std::stop_token stop) {
    if (!PathExists(job.path)) {
        post(job.serial, kReset);
        return;
    }
    std::string path = job.path;
    bool moved = false;
    if (NeedsAsciiName(job.path)) {
        if (auto temporary = TemporaryInstallName(job.path, TickCount(), m_renameCounter++)) {
            moved = m_rename.moveAway(job.path, *temporary);
            if (moved) {
                path = *temporary;
            }
        }
    }
    const int status = checkAndInstall(job, path, stop);
    if (status != kReset) {
        post(job.serial, status);
        pause(stop, status == kInstalled ? 1 : 2);
    }
    // Also after a stop request: the package must not stay under its temporary name. It gets
    // its own name back before the reset gives the row its buttons again, so that a delete or
    // another install from the row finds it there.
    if (moved) {
        m_rename.moveBack(path, job.path);
    }
    post(job.serial, kReset);
}

bool KivInstallQueue::packageIntact(const KivInstallJob& job, const std::string& path) {
    if (job.openedFile) {
        // Still the package whose manifest named the row: the file may have changed since.
        const apk::ApkReadResult read = apk::ReadApkFile(path);
        return read.manifest && read.manifest->packageName == job.packageName;
    }
    const std::string digest = FileMd5Hex(path).value_or("");
    return !job.validValue.empty() && SameDigest(digest, job.validValue);
}

int KivInstallQueue::checkAndInstall(const KivInstallJob& job, const std::string& path,
                                     std::stop_token stop) {
    if (!packageIntact(job, path)) {
        return kBadPackage;
    }
    if (!m_services.phoneAttached()) {
        return kNoPhone;
    }
    const std::string serial = m_services.serial();
    if (serial.empty()) {
        return kNotReady;
    }
    if (stop.stop_requested()) {
        return kReset;
    }
    post(job.serial, kInstalling);
    // The install runs under a stop of its own, which the queue's stop also requests: a phone
    // that went away cuts this install alone.
    std::stop_source installStop;
    std::stop_callback followQueue(stop, [&installStop] { installStop.request_stop(); });
    {
        std::lock_guard lock(m_installLock);
        m_currentInstall = &installStop;
    }
    InstallResult result;
    {
        platform::StopScope scope(installStop.get_token());
        result = m_services.install(job.packageName, serial, path);
    }
    {
        std::lock_guard lock(m_installLock);
        m_currentInstall = nullptr;
    }
    const int code = static_cast<int>(result.code);
    m_services.report(job.packageName, FileTitle(job.path), code, result.uninstalled,
                      result.output);
    return code;
}
