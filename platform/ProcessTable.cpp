#include "ProcessTable.h"

#include <charconv>
#include <filesystem>
#include <fstream>

#include <signal.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t kCommLength = 15; // the kernel's comm field holds 15 characters

std::string readFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string argv0BaseName(const std::string& procDir) {
    std::ifstream in(procDir + "/cmdline", std::ios::binary);
    std::string argv0;
    std::getline(in, argv0, '\0');
    std::size_t slash = argv0.find_last_of('/');
    return slash == std::string::npos ? argv0 : argv0.substr(slash + 1);
}

bool nameMatches(const std::string& procDir, const std::string& name) {
    std::string comm = readFirstLine(procDir + "/comm");
    if (name.size() <= kCommLength) {
        return comm == name;
    }
    return comm == name.substr(0, kCommLength) && argv0BaseName(procDir) == name;
}

} // namespace

std::vector<pid_t> FindProcessesByName(const std::string& name) {
    std::vector<pid_t> found;
    if (name.empty()) {
        return found;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::string dir = entry.path().filename().string();
        pid_t pid = 0;
        auto [end, err] = std::from_chars(dir.data(), dir.data() + dir.size(), pid);
        if (err != std::errc() || end != dir.data() + dir.size() || pid <= 0) {
            continue;
        }
        if (nameMatches(entry.path().string(), name)) {
            found.push_back(pid);
        }
    }
    return found;
}

void KillProcessesNamed(const std::string& name) {
    const pid_t self = ::getpid();
    for (pid_t pid : FindProcessesByName(name)) {
        if (pid != self) {
            ::kill(pid, SIGKILL);
        }
    }
}

} // namespace platform
