// What a driver job needs from other subsystems: the web service's answer for the phone, the
// driver download queue and the installer. The device layer knows them only through these
// function objects; where the program is put together (app/parts) they are wired to the real
// web service and download queue, and tests hand in fakes.
#pragma once

#include "DriverJobTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class DriverJob;

/// A download started for a job, as the download queue knows it; opaque to the job.
using DriverDownloadHandle = void*;

/// What a job's download tells the job (on the download's polling thread).
struct DriverDownloadNews {
    enum class Kind { Progress, Finished, Failed };
    Kind kind = Kind::Progress;
    std::uint64_t received = 0; ///< Progress: bytes received so far
    std::uint64_t fileSize = 0; ///< Progress: the whole size, 0 while unknown
    std::string path;           ///< Finished: the downloaded package
    DriverFailure failure = DriverFailure::ServerUnreachable; ///< Failed: why
};

/// Where a job's download news go.
using DriverNewsSink = std::function<void(const DriverDownloadNews& news)>;

struct DriverJobParts {
    /// Asks the web service for the package of `vid`/`pid` and fills all of `package`. False
    /// when the phone is unknown or the service did not answer. On the job's thread; it ends
    /// early when the thread's stop token (platform/StopScope.h) is stopped.
    std::function<bool(const std::string& vid, const std::string& pid, DriverPackage& package)>
        lookUp;
    /// Readies the driver download queue; false when it cannot be used.
    std::function<bool()> openQueue;
    /// The path of a finished download of `url` in `folder` that still exists.
    std::function<std::optional<std::string>(const std::string& url, const std::string& folder)>
        findFinished;
    /// Starts the download of `url` into `folder` for job `jobId`, continuing a saved one; its
    /// news go to `news` (on the download's polling thread). Null when it cannot start.
    std::function<DriverDownloadHandle(const std::string& url, const std::string& folder,
                                       std::uint64_t jobId, DriverNewsSink news)>
        startDownload;
    /// Removes a download startDownload gave; its progress is kept for a later job.
    std::function<void(DriverDownloadHandle download)> removeDownload;
    /// Installs the downloaded package; the job's last report, nothing when it was cancelled.
    /// InstallDriver (DriverInstall.h) when left empty.
    std::function<std::optional<DriverProgress>(DriverJob& job, const std::string& archive)>
        install;

    /// True when every part but the optional `install` is set.
    bool complete() const {
        return lookUp && openQueue && findFinished && startDownload && removeDownload;
    }
};
