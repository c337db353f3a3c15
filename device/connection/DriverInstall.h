// The install half of a driver job, from a downloaded package to the phone in adb: checksum,
// device rescan, unpacking, the package's installer (DPInst twice, or its start program once),
// an adb server restart and up to ten looks for the phone. Runs on a thread of the job.
#pragma once

#include "DriverJob.h"
#include "DriverJobTypes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

/// Looks for the phone in adb after the installer ran.
inline constexpr int kInstallPolls = 10;
/// The installing percent shown while waiting for the phone: first value and step.
inline constexpr int kFirstPollPercent = 20;
inline constexpr int kPollPercentStep = 4;

/// Installs the package `archive` for `job`, reporting codes 2 as it goes. The last report
/// (code 4, or code 5 with its message) is returned for the job's end; nothing when the job was
/// cancelled meanwhile. The archive and the unpacked folder stay for a later job (a package
/// whose checksum is wrong is deleted).
std::optional<DriverProgress> InstallDriver(DriverJob& job, const std::string& archive);

/// received × 100 / size in 64-bit integer arithmetic; 0 when the size is 0.
int DownloadPercent(std::uint64_t received, std::uint64_t size);

/// The archive path without its last four characters (its ".zip"); nothing when the file name
/// is not longer than that, so that the folder always sits beside the archive.
std::optional<std::string> UnpackFolderFor(const std::string& archive);

/// The first "*.inf" file (letter case ignored, names in byte order) directly in `folder`.
std::optional<std::string> FindInfFile(const std::string& folder);

/// Shortens the 5-second pause after the silent DPInst run and the 500 ms between looks for
/// the phone (tests). Zero restores the normal wait.
void SetDriverInstallWaitsForTesting(std::chrono::milliseconds afterSilentRun,
                                     std::chrono::milliseconds pollInterval);
