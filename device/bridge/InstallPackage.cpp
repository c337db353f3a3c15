#include "InstallPackage.h"

#include "AdbCommands.h"
#include "OutputText.h"
#include "ProcessRunner.h"

void SetInstallLocation(const std::string& value) {
    (void)RunCapture(std::string(kAdbPath) + " shell pm setInstallLocation " + value);
}

InstallResult InstallPackage(const std::string& packageName, const std::string& serial,
                             const std::string& packageFile) {
    InstallResult result;
    if (serial.empty()) {
        // No phone named: adb would pick whichever phone it likes, or none.
        result.code = InstallCode::Unreachable;
        return result;
    }
    SetInstallLocation("2");
    if (IsSafePackageName(packageName)) {
        std::string removal =
            RunCapture(SerialCommandLine(serial) + " shell pm uninstall " + packageName);
        result.uninstalled = Contains(removal, "Success");
    }
    const std::string install =
        SerialCommandLine(serial) + " install -r " + QuoteArgument(packageFile);
    std::string output = RunCapture(install);
    if (Contains(output, "Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]")) {
        result.output += output;
        output = RunCapture(install);
    }
    if (!Contains(output, "Success")) {
        result.output += output;
        SetInstallLocation("0");
        output = RunCapture(install);
    }
    result.code = ClassifyInstallOutput(output);
    result.output += output;
    return result;
}
