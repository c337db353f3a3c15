#include "AdbCommands.h"

#include "platform/config/AppPaths.h"

#include <mutex>

namespace {

struct AdbNameSetting {
    std::mutex lock;
    std::string name = kAdbProcessName; // guarded by lock
};

AdbNameSetting& adbNameSetting() {
    static AdbNameSetting setting;
    return setting;
}

} // namespace

std::string AdbSerialCommand(const std::string& serial) {
    return "bin\\Korvash\\adb -s " + serial;
}

void AppendClosingQuote(std::string& commandLine) {
    commandLine += '"';
}

std::string NarrowProgramFolder() {
    // Asked each time: the program folder can be overridden after start-up (penlow-cli's
    // --program-folder, tests), and a copy kept here would miss that.
    std::string path;
    if (!GetModuleFolder(path)) {
        path.clear();
    }
    return path + "/";
}

std::string AdbProcessName() {
    std::lock_guard guard(adbNameSetting().lock);
    return adbNameSetting().name;
}

void SetAdbProcessNameForTesting(const std::string& name) {
    std::lock_guard guard(adbNameSetting().lock);
    adbNameSetting().name = name.empty() ? std::string(kAdbProcessName) : name;
}
