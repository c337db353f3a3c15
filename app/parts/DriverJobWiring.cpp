#include "DriverJobWiring.h"

#include "device/connection/DriverJobControl.h"
#include "downloads/CKivDownQueue.h"
#include "webservices/MachineIdentity.h"
#include "webservices/SoapCalls.h"

#include <cstdint>

namespace {

void* userValueOf(std::uint64_t jobId) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(jobId));
}

std::uint64_t jobIdOf(void* user) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(user));
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
                                   std::uint64_t jobId) {
    CKivDownQueue& queue = DriverQueue();
    CKivDownObj* task =
        queue.ContinueTask(url, "", "", true, &DriverDownloadListener, userValueOf(jobId));
    if (task == nullptr) {
        task = queue.AddNewTask(url, folder, true, &DriverDownloadListener, userValueOf(jobId));
    }
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
    DriverDownloadNewsFor(jobIdOf(user), news);
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
        (void)DriverQueue().RemoveTask(static_cast<CKivDownObj*>(download));
    };
    return parts;
}
