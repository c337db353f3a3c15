// What a driver job tells the connection wizard: progress codes, their argument (a percent or a
// message) and the callback that receives them; and the package the job installs.
#pragma once

#include <functional>
#include <stop_token>
#include <string>

/// Progress codes of a driver job. The values are fixed: the wizard switches on them.
enum class DriverJobCode : int {
    LookingUp = 0,   ///< asking the web service for the driver package
    Downloading = 1, ///< percent of the package received
    Installing = 2,  ///< percent of the installation
    Retryable = 3,   ///< lookup or download failed (message); the wizard may offer a retry
    Installed = 4,   ///< the driver is installed and adb sees the phone; the job has ended
    Failed = 5,      ///< failed (message); the job has ended
};

/// Messages of codes 3 and 5.
inline constexpr const char* kDriverLookupFailed = "驱动查找失败";
inline constexpr const char* kDriverDownloadFailed = "驱动下载失败";
inline constexpr const char* kDriverVerifyFailed = "文件校验失败";
inline constexpr const char* kDriverInstallFailed = "驱动安装失败";

/// Why a job failed (codes 3 and 5): what the wizard tells the user.
enum class DriverFailure : int {
    None,
    NoDriverKnown,     ///< the web service named no package for the phone, or did not answer
    ServerUnreachable, ///< the package's server could not be reached, or the transfer broke off
    NotOnServer,       ///< the server has no such file (HTTP 404, 410)
    ServerError,       ///< any other error answer of the server
    NotSaved,          ///< the package could not be written (disk full, file error)
    NotStarted,        ///< the download queue could not take the download
    ChecksumMismatch,  ///< the package's MD5 is not the one the web service named
    InstallFailed,     ///< unpacking or starting the installer failed
    PhoneNotFound,     ///< the installer ran, but adb still does not see the phone
};

/// One report: the code with its percent (codes 1 and 2) or message and reason (codes 3, 5).
struct DriverProgress {
    DriverJobCode code = DriverJobCode::LookingUp;
    int percent = 0;
    std::string message;
    DriverFailure failure = DriverFailure::None;
};

/// What the web service named for the phone, and the machine type it was asked with.
struct DriverPackage {
    std::string url;
    std::string md5;
    std::string startFile;
    bool inf = false;  ///< DeviceType "INI": the package is installed with DPInst
    bool is64 = false; ///< the system is 64-bit (DPInst64 rather than DPInst32)
};

/// The wizard's listener. Called on the job's threads (its worker, a download's polling thread),
/// one call at a time. `stop` is requested when the job is cancelled: a listener that waits for
/// the UI thread must give up then, because DriverJobs::cancel waits for a call under way to
/// return.
using DriverProgressCallback =
    std::function<void(const DriverProgress& progress, std::stop_token stop)>;
