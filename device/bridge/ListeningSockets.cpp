#include "ListeningSockets.h"

#include <algorithm>
#include <charconv>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool parseNumber(std::string_view text, unsigned long& value, int base) {
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value, base);
    return error == std::errc() && ptr == end;
}

// "0100007F:13AD" -> 0x13AD
bool localPort(std::string_view address, unsigned long& port) {
    const std::size_t colon = address.rfind(':');
    return colon != std::string_view::npos && parseNumber(address.substr(colon + 1), port, 16);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool holdsSocket(const std::string& pidDir, const std::vector<unsigned long>& inodes) {
    const std::string fdDir = pidDir + "/fd";
    DIR* dir = ::opendir(fdDir.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool found = false;
    while (dirent* entry = ::readdir(dir)) {
        char target[64] = {};
        const std::string link = fdDir + "/" + entry->d_name;
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        unsigned long inode = 0;
        const std::string_view text(target, length > 0 ? static_cast<std::size_t>(length) : 0);
        if (text.starts_with("socket:[") && text.ends_with("]") &&
            parseNumber(text.substr(8, text.size() - 9), inode, 10) &&
            std::find(inodes.begin(), inodes.end(), inode) != inodes.end()) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

std::vector<unsigned long> ParseListeningInodes(std::string_view table, int port, uid_t uid) {
    std::vector<unsigned long> inodes;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        // sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
        std::istringstream fields(line);
        std::string f[10];
        for (std::string& field : f) {
            fields >> field;
        }
        unsigned long localPortNumber = 0;
        unsigned long owner = 0;
        unsigned long inode = 0;
        if (f[3] == "0A" && localPort(f[1], localPortNumber) &&
            localPortNumber == static_cast<unsigned long>(port) && parseNumber(f[7], owner, 10) &&
            owner == uid && parseNumber(f[9], inode, 10) && inode != 0) {
            inodes.push_back(inode);
        }
    }
    return inodes;
}

std::vector<pid_t> ProcessesListeningOn(int port, uid_t uid) {
    std::vector<unsigned long> inodes = ParseListeningInodes(readAll("/proc/net/tcp"), port, uid);
    for (unsigned long inode : ParseListeningInodes(readAll("/proc/net/tcp6"), port, uid)) {
        inodes.push_back(inode);
    }
    std::vector<pid_t> pids;
    if (inodes.empty()) {
        return pids;
    }
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return pids;
    }
    while (dirent* entry = ::readdir(proc)) {
        unsigned long pid = 0;
        const std::string pidDir = std::string("/proc/") + entry->d_name;
        struct stat info {};
        if (!parseNumber(entry->d_name, pid, 10) || ::stat(pidDir.c_str(), &info) != 0 ||
            info.st_uid != uid) {
            continue; // only this user's processes
        }
        if (holdsSocket(pidDir, inodes)) {
            pids.push_back(static_cast<pid_t>(pid));
        }
    }
    ::closedir(proc);
    return pids;
}
