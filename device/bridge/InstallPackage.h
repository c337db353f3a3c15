// Installing a package file onto the phone: remove an earlier copy, prefer external storage,
// retry once on a storage failure, fall back to the automatic install location, and classify
// what adb printed.
#pragma once

#include "InstallOutcome.h"

#include <string>

struct InstallResult {
    InstallCode code = InstallCode::Failed;
    /// adb's texts of the failed attempts followed by the final install output.
    std::string output;
    /// The uninstall step printed "Success".
    bool uninstalled = false;
};

/// Runs, without time limits and on the caller's thread: setInstallLocation 2, `pm uninstall`
/// of `packageName` on `serial`, `install -r` of `packageFile`; again after
/// "Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]"; and when still not "Success",
/// setInstallLocation 0 and one more install. A package name the phone's shell could
/// misread (see IsSafePackageName) is not uninstalled. An empty `serial` runs nothing and gives
/// Unreachable.
InstallResult InstallPackage(const std::string& packageName, const std::string& serial,
                             const std::string& packageFile);

/// `adb shell pm setInstallLocation <value>` on the single attached phone: "2" prefers
/// external storage, "0" lets the phone decide.
void SetInstallLocation(const std::string& value);
