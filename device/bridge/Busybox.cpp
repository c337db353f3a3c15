#include "Busybox.h"

#include "AdbCommands.h"
#include "InstallOutcome.h"
#include "OutputText.h"
#include "ProcessRunner.h"

#include <sys/stat.h>

namespace {

constexpr int kAttempts = 2;
constexpr int kLimitSeconds = 5;

enum class InstallWay { Su, Plain };

std::string runOnPhone(const std::string& arguments) {
    return RunCaptureTimed(std::string(kAdbPath) + " shell \"" + kPhoneBusybox + " " + arguments +
                               "\"",
                           kLimitSeconds);
}

std::string shellLine(InstallWay way, const char* command) {
    std::string line = std::string(kAdbPath) + " shell ";
    line += way == InstallWay::Su ? "su -c " : "";
    return line + "\"" + command + "\"";
}

std::string localBusybox() {
    return NarrowProgramFolder() + "bin/Korvash/busybox";
}

bool haveLocalBusybox() {
    struct stat info {};
    return ::stat(localBusybox().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string pushBusybox() {
    // The folder is the program's own; quoted so that a folder with blanks still works.
    return RunCaptureTimed(std::string(kAdbPath) + " push " + QuoteArgument(localBusybox()) +
                               " /data/local/tmp",
                           kLimitSeconds);
}

// Makes /data/local/tmp writable, pushes busybox (clearing the folder once when it is full)
// and makes it executable. False when su turned out to be unavailable.
bool installBusybox(InstallWay way) {
    std::string output =
        RunCaptureTimed(shellLine(way, "chmod 777 /data/local/tmp"), kLimitSeconds);
    if (way == InstallWay::Su && Contains(output, "su:")) {
        return false;
    }
    if (Contains(pushBusybox(), "No space")) {
        (void)RunCaptureTimed(shellLine(way, "rm /data/local/tmp/*"), kLimitSeconds);
        (void)pushBusybox();
    }
    (void)RunCaptureTimed(shellLine(way, "chmod 777 /data/local/tmp/busybox"), kLimitSeconds);
    return true;
}

bool containsFailure(std::string_view output) {
    return Contains(output, "not found") || Contains(output, "error") ||
           Contains(output, "failed") || Contains(output, "permission");
}

} // namespace

bool BusyboxFirstRunSucceeded(std::string_view output) {
    return BusyboxRunSucceeded(output) && !Contains(output, "No such file or directory");
}

bool BusyboxRunSucceeded(std::string_view output) {
    return !output.empty() && !containsFailure(output);
}

std::string RunBusybox(const std::string& arguments) {
    InstallWay way = InstallWay::Su;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string output = runOnPhone(arguments);
        if (BusyboxFirstRunSucceeded(output)) {
            return output;
        }
        if (!haveLocalBusybox()) {
            return {}; // nothing to push: every install step would fail after its adb run
        }
        if (!installBusybox(way)) {
            way = InstallWay::Plain; // su is missing or refused: the next attempt goes plain
            continue;
        }
        output = runOnPhone(arguments);
        if (BusyboxRunSucceeded(output)) {
            return output;
        }
    }
    return {};
}
