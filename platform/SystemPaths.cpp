#include "SystemPaths.h"

#include <cstdlib>
#include <fstream>

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The DOCUMENTS entry of $XDG_CONFIG_HOME/user-dirs.dirs, with $HOME expanded.
std::string documentsFromUserDirs(const std::string& home) {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string file = (configHome && *configHome) ? std::string(configHome) : home + "/.config";
    std::ifstream in(file + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        }
        return value;
    }
    return {};
}

} // namespace

std::optional<std::string> ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return std::nullopt;
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string DocumentsPath() {
    if (const char* direct = std::getenv("XDG_DOCUMENTS_DIR"); direct && *direct) {
        return direct;
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        return {};
    }
    std::string fromUserDirs = documentsFromUserDirs(home);
    return fromUserDirs.empty() ? std::string(home) + "/Documents" : fromUserDirs;
}

std::string BaseNameWithoutExtension(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    return base;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
