#include "DriverJobWiring.h"

#include "device/connection/DriverJobs.h"
#include "downloads/CKivDownQueue.h"
#include "webservices/MachineIdentity.h"
#include "webservices/SoapCalls.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace {

void* userValueOf(std::uint64_t jobId) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(jobId));
}

std::uint64_t jobIdOf(void* user) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(user));
}

// The driver queue calls a plain listener with the job's id as its user value; the routes
// lead each id to the news sink of the DriverJobs that started the download. A route ends with
// the download's last news or its removal, so late events find nothing.
class NewsRoutes {
public:
    void add(std::uint64_t jobId, DriverDownloadHandle download, DriverNewsSink sink) {
        std::lock_guard guard(m_lock);
        m_routes[jobId] = Route{download, std::move(sink)};
    }
    // A route whose download already sent its last news stays gone.
    void setDownload(std::uint64_t jobId, DriverDownloadHandle download) {
        std::lock_guard guard(m_lock);
        if (auto it = m_routes.find(jobId); it != m_routes.end()) {
            it->second.download = download;
        }
    }
    void removeDownload(DriverDownloadHandle download) {
        std::lock_guard guard(m_lock);
        std::erase_if(m_routes,
                      [download](const auto& route) { return route.second.download == download; });
    }
    DriverNewsSink sinkFor(std::uint64_t jobId, bool last) {
        std::lock_guard guard(m_lock);
        auto it = m_routes.find(jobId);
        if (it == m_routes.end()) {
            return {};
        }
        DriverNewsSink sink = it->second.sink;
        if (last) {
            m_routes.erase(it);
        }
        return sink;
    }

private:
    struct Route {
        DriverDownloadHandle download = nullptr;
        DriverNewsSink sink;
    };
    std::mutex m_lock;
    std::map<std::uint64_t, Route> m_routes; // guarded by m_lock
};

// Never destroyed: the queue's polling threads may deliver news while the process exits.
NewsRoutes& Routes() {
    static NewsRoutes* const routes = new NewsRoutes;
    return *routes;
}

// What the download's failure means for the wizard's words.
DriverFailure DriverFailureOf(DownloadFailure failure) {
    switch (failure) {
    case DownloadFailure::NotFound:
        return DriverFailure::NotOnServer;
    case DownloadFailure::ServerError:
        return DriverFailure::ServerError;
    case DownloadFailure::DiskFull:
    case DownloadFailure::FileError:
        return DriverFailure::NotSaved;
    case DownloadFailure::Network:
        break;
    }
    return DriverFailure::ServerUnreachable;
}

bool lookUp(const std::string& vid, const std::string& pid, DriverPackage& package) {
    const bool is64 = webservices::IsWow64();
    webservices::DeviceDriverInfo info;
    if (!webservices::GetDevice(vid, pid, is64, info)) {
        return false;
    }
    package = {info.url, info.md5, info.startFile, info.inf, is64};
    return true;
}

// A saved download continued, else a new one, started at once.
DriverDownloadHandle startDownload(const std::string& url, const std::string& folder,
                                   std::uint64_t jobId, DriverNewsSink news) {
    CKivDownQueue& queue = DriverQueue();
    // The route is there before the first event can arrive.
    Routes().add(jobId, nullptr, std::move(news));
    CKivDownObj* task =
        queue.ContinueTask(url, "", "", true, &DriverDownloadListener, userValueOf(jobId));
    if (task == nullptr) {
        task = queue.AddNewTask(url, folder, true, &DriverDownloadListener, userValueOf(jobId));
    }
    if (task == nullptr) {
        (void)Routes().sinkFor(jobId, true);
        return nullptr;
    }
    Routes().setDownload(jobId, task);
    return task;
}

} // namespace

void DriverDownloadListener(TaskEvent kind, void* user, const TaskEventData& data) {
    DriverDownloadNews news;
    switch (kind) {
    case TaskEvent::Progress:
        news.kind = DriverDownloadNews::Kind::Progress;
        news.received = data.progress.received;
        news.fileSize = data.progress.fileSize;
        break;
    case TaskEvent::Finished:
        news.kind = DriverDownloadNews::Kind::Finished;
        news.path = std::string(data.path);
        break;
    case TaskEvent::Failed:
        news.kind = DriverDownloadNews::Kind::Failed;
        news.failure = DriverFailureOf(data.failure);
        break;
    case TaskEvent::NoConnection:
        news.kind = DriverDownloadNews::Kind::Failed;
        news.failure = DriverFailure::ServerUnreachable;
        break;
    default:
        return;
    }
    const bool last = news.kind != DriverDownloadNews::Kind::Progress;
    if (DriverNewsSink sink = Routes().sinkFor(jobIdOf(user), last)) {
        sink(news);
    }
}

DriverJobParts MakeDriverJobParts() {
    DriverJobParts parts;
    parts.lookUp = lookUp;
    parts.openQueue = [] { return DriverQueue().Init(true, "DownData.db") == 0; };
    parts.findFinished = [](const std::string& url, const std::string& folder) {
        return DriverQueue().FindFinished(url, folder);
    };
    parts.startDownload = startDownload;
    parts.removeDownload = [](DriverDownloadHandle download) {
        Routes().removeDownload(download);
        (void)DriverQueue().RemoveTask(static_cast<CKivDownObj*>(download));
    };
    return parts;
}
