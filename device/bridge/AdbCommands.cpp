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

const std::string& NarrowProgramFolder() {
    static const std::string folder = [] {
        std::string path;
        if (!GetModuleFolder(path)) {
            path.clear();
        }
        return path + "/";
    }();
    return folder;
}

std::string AdbProcessName() {
    std::lock_guard guard(adbNameSetting().lock);
    return adbNameSetting().name;
}

void SetAdbProcessNameForTesting(const std::string& name) {
    std::lock_guard guard(adbNameSetting().lock);
    adbNameSetting().name = name.empty() ? std::string(kAdbProcessName) : name;
}
