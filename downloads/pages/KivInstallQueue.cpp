#include "KivInstallQueue.h"

#include "device/bridge/AdbHostClient.h"
#include "device/connection/FileMd5.h"
#include "downloads/DownloadRows.h"
#include "platform/Interruptible.h"
#include "platform/ThreadStart.h"
#include "ui/toolkit/KivMessaging.h"
#include "webservices/InstallLog.h"

#include <QString>

#include <atomic>

namespace {

std::mutex g_servicesMutex;
KivInstallServices g_services; // guarded by g_servicesMutex
std::atomic<std::int64_t> g_resultPauseMs{1000};

KivInstallServices DefaultServices() {
    KivInstallServices services;
    services.phoneAttached = [] { return true; };
    services.serial = [] { return GetSerial(false).serial; };
    services.install = [](const std::string& package, const std::string& serial,
                          const std::string& path) {
        return InstallPackage(package, serial, path);
    };
    services.report = [](const std::string& package, const std::string& appName, int code,
                         bool uninstalled, const std::string& output) {
        webservices::ReportInstall(package, appName, code, uninstalled, output);
    };
    return services;
}

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

void SetInstallServices(KivInstallServices services) {
    std::lock_guard lock(g_servicesMutex);
    g_services = std::move(services);
}

void KivInstallQueue::SetResultPauseForTesting(std::chrono::milliseconds pause) {
    g_resultPauseMs = pause.count() > 0 ? pause.count() : 1000;
}

KivInstallQueue::KivInstallQueue(KivWindowHandle page, std::string journal)
    : m_page(std::move(page)), m_services(DefaultServices()), m_rename(std::move(journal)) {
    std::lock_guard lock(g_servicesMutex);
    if (g_services.phoneAttached) {
        m_services.phoneAttached = g_services.phoneAttached;
    }
    if (g_services.serial) {
        m_services.serial = g_services.serial;
    }
    if (g_services.install) {
        m_services.install = g_services.install;
    }
    if (g_services.report) {
        m_services.report = g_services.report;
    }
}

KivInstallQueue::~KivInstallQueue() {
    m_thread.request_stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool KivInstallQueue::start() {
    // A package left under its temporary name by a program that ended mid-install.
    m_rename.recover();
    m_thread = platform::TryStartThread([this](std::stop_token stop) { run(stop); });
    return m_thread.joinable();
}

void KivInstallQueue::append(KivInstallJob job) {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
}

void KivInstallQueue::remove(std::uint64_t serial) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_jobs, [&](const KivInstallJob& job) { return job.serial == serial; });
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
    while (platform::SleepFor(stop, std::chrono::milliseconds(100))) {
        KivInstallJob job;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty()) {
                continue;
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

int KivInstallQueue::checkAndInstall(const KivInstallJob& job, const std::string& path,
                                     std::stop_token stop) {
    const std::string digest = FileMd5Hex(path).value_or("");
    if (job.validValue.empty() || !SameDigest(digest, job.validValue)) {
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
    const InstallResult result = m_services.install(job.packageName, serial, path);
    const int code = static_cast<int>(result.code);
    m_services.report(job.packageName, FileTitle(job.path), code, result.uninstalled,
                      result.output);
    return code;
}
