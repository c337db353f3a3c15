#include "DriverInstall.h"

#include "ArchiveEntryPath.h"
#include "DriverArchive.h"
#include "FileMd5.h"

#include "platform/config/AppPaths.h"
#include "device/bridge/AdbCommands.h"
#include "device/bridge/AdbDeviceListing.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/DeviceNodes.h"
#include "platform/Interruptible.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kAfterSilentRun = 5000ms;
constexpr std::chrono::milliseconds kPollInterval = 500ms;
constexpr std::chrono::milliseconds kPendingEventsWait = 10ms;

std::atomic<long long> g_afterSilentRunMs{0}; // 0: kAfterSilentRun
std::atomic<long long> g_pollIntervalMs{0};   // 0: kPollInterval

std::chrono::milliseconds waitOrDefault(const std::atomic<long long>& ms,
                                        std::chrono::milliseconds fallback) {
    const long long value = ms.load();
    return value > 0 ? std::chrono::milliseconds(value) : fallback;
}

DriverProgress installing(int percent) {
    return {DriverJobCode::Installing, percent, {}};
}

DriverProgress failed(const char* message, DriverFailure why) {
    return {DriverJobCode::Failed, 0, message, why};
}

// The program to run and its parameters; an empty program cannot be started.
struct Installer {
    std::string program;
    std::string parameters;
};

enum class Outcome { Done, Failed, Cancelled };

// Archives made on Windows store no permission bits, so their files unpack as 0644 and the
// program about to be started could not run. Only that file gains execute bits (where it has
// read bits); the other files keep what the archive stored. A link or anything but a regular
// file is left alone: the start then fails and says so.
void makeExecutable(const std::string& program) {
    const int fd = ::open(program.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const mode_t mode = info.st_mode & 07777;
        const mode_t readable = mode & (S_IRUSR | S_IRGRP | S_IROTH);
        (void)::fchmod(fd, mode | S_IXUSR | (readable >> 2));
    }
    (void)::close(fd);
}

bool checksumMatches(const std::string& archive, const std::string& expected) {
    const std::optional<std::string> actual = FileMd5Hex(archive);
    return actual && SameDigest(*actual, expected);
}

bool isRealFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::symlink_status(path, error));
}

Outcome unpack(DriverJob& job, const std::string& archive, const std::string& folder) {
    if (!CreateDirectoryPath(folder.c_str()) || !isRealFolder(folder)) {
        return Outcome::Failed;
    }
    DriverArchive zip;
    if (!zip.open(archive)) {
        return Outcome::Failed;
    }
    switch (zip.extractAll(folder, job.stopToken())) {
    case DriverArchive::Result::Unpacked:
        return Outcome::Done;
    case DriverArchive::Result::Cancelled:
        return Outcome::Cancelled;
    case DriverArchive::Result::Failed:
        break;
    }
    return Outcome::Failed;
}

// DPInst: a silent run that preinstalls the package's INF, a pause, then the visible run.
Outcome prepareDpinst(DriverJob& job, const DriverPackage& package, const std::string& folder,
                      Installer& installer) {
    installer.program = folder + (package.is64 ? "/DPInst64.exe" : "/DPInst32.exe");
    makeExecutable(installer.program);
    // Without an INF there is nothing to preinstall: the silent run is left out.
    if (const std::optional<std::string> inf = FindInfFile(folder)) {
        const std::string silent = "/u \"" + folder + "/" + *inf + "\" /sw";
        (void)ShellExecuteAndWait(installer.program, silent, false);
        if (!platform::SleepFor(job.stopToken(),
                                waitOrDefault(g_afterSilentRunMs, kAfterSilentRun))) {
            return Outcome::Cancelled;
        }
    }
    installer.parameters = "/lm";
    return job.cancelled() ? Outcome::Cancelled : Outcome::Done;
}

// The start program named by the web service, inside the package; a name that would lead out
// of the folder is not run.
Installer startProgram(const DriverPackage& package, const std::string& folder) {
    const std::optional<std::string> relative = SafeEntryPath(package.startFile);
    return relative ? Installer{folder + "/" + *relative, ""} : Installer{};
}

Outcome pollForPhone(DriverJob& job, bool& found) {
    const std::chrono::milliseconds interval = waitOrDefault(g_pollIntervalMs, kPollInterval);
    int percent = kFirstPollPercent;
    found = false;
    for (int poll = 0; poll < kInstallPolls; ++poll) {
        if (ListingHasOnlineDevice(RunCapture(kAdbDevices))) {
            found = true;
            return Outcome::Done;
        }
        if (!platform::SleepFor(job.stopToken(), interval)) {
            return Outcome::Cancelled;
        }
        job.report(installing(percent));
        percent = std::min(percent + kPollPercentStep, 100);
    }
    return job.cancelled() ? Outcome::Cancelled : Outcome::Done;
}

// Steps after the unpacking: the installer runs, the adb restart and the looks for the phone.
std::optional<DriverProgress> runInstaller(DriverJob& job, const DriverPackage& package,
                                           const std::string& folder) {
    Installer installer;
    if (package.inf) {
        if (prepareDpinst(job, package, folder, installer) == Outcome::Cancelled) {
            return std::nullopt;
        }
    } else {
        installer = startProgram(package, folder);
        if (!installer.program.empty()) {
            makeExecutable(installer.program);
        }
    }
    RestartAdbServer();
    if (job.cancelled()) {
        return std::nullopt;
    }
    // An installer that cannot be started installs nothing: looking for the phone would
    // report a phone adb already knew as installed.
    if (installer.program.empty() ||
        !ShellExecuteAndWait(installer.program, installer.parameters, true)) {
        return job.cancelled()
                   ? std::nullopt
                   : std::optional(failed(kDriverInstallFailed, DriverFailure::InstallFailed));
    }
    platform::WaitForPendingDeviceEvents(kPendingEventsWait);
    bool found = false;
    if (job.cancelled() || pollForPhone(job, found) == Outcome::Cancelled) {
        return std::nullopt;
    }
    job.report(installing(100));
    if (found) {
        return DriverProgress{DriverJobCode::Installed, 0, {}};
    }
    return failed(kDriverInstallFailed, DriverFailure::PhoneNotFound);
}

} // namespace

std::optional<DriverProgress> InstallDriver(DriverJob& job, const std::string& archive) {
    if (job.cancelled()) {
        return std::nullopt;
    }
    const DriverPackage package = job.package();
    if (!checksumMatches(archive, package.md5)) {
        (void)std::remove(archive.c_str());
        return failed(kDriverVerifyFailed, DriverFailure::ChecksumMismatch);
    }
    platform::RescanUsbDevices();
    job.report(installing(10));
    const std::optional<std::string> folder = UnpackFolderFor(archive);
    const Outcome unpacked = folder ? unpack(job, archive, *folder) : Outcome::Failed;
    if (unpacked == Outcome::Cancelled || job.cancelled()) {
        return std::nullopt;
    }
    if (unpacked == Outcome::Failed) {
        return failed(kDriverInstallFailed, DriverFailure::InstallFailed);
    }
    job.report(installing(15));
    return runInstaller(job, package, *folder);
}

int DownloadPercent(std::uint64_t received, std::uint64_t size) {
    if (size == 0) {
        return 0;
    }
    return static_cast<int>(std::min<std::uint64_t>(received * 100 / size, 100));
}

std::optional<std::string> UnpackFolderFor(const std::string& archive) {
    const std::size_t slash = archive.find_last_of('/');
    const std::size_t nameLength =
        slash == std::string::npos ? archive.size() : archive.size() - slash - 1;
    if (nameLength <= 4) {
        return std::nullopt;
    }
    return archive.substr(0, archive.size() - 4);
}

std::optional<std::string> FindInfFile(const std::string& folder) {
    std::optional<std::string> first;
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code typeError;
        if (name.size() > 4 &&
            platform::EqualsIgnoreAsciiCase(name.substr(name.size() - 4), ".inf") &&
            entry->is_regular_file(typeError) && (!first || name < *first)) {
            first = name;
        }
    }
    return first;
}

void SetDriverInstallWaitsForTesting(std::chrono::milliseconds afterSilentRun,
                                     std::chrono::milliseconds pollInterval) {
    g_afterSilentRunMs = afterSilentRun.count();
    g_pollIntervalMs = pollInterval.count();
}
