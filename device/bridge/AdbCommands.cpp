#include "AdbCommands.h"

#include "app/config/AppPaths.h"

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
