#include "AppPaths.h"

#include "platform/SystemPaths.h"

#include <mutex>
#include <optional>

#include <cerrno>
#include <sys/stat.h>

namespace {

std::mutex& overrideLock() {
    static std::mutex lock;
    return lock;
}

std::optional<std::string>& moduleFolderOverride() {
    static std::optional<std::string> folder;
    return folder;
}

} // namespace

void OverrideModuleFolder(const std::string& folder) {
    std::lock_guard guard(overrideLock());
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    moduleFolderOverride() = trimmed;
}

bool GetModuleFolder(std::string& path) {
    {
        std::lock_guard guard(overrideLock());
        if (moduleFolderOverride()) {
            path = *moduleFolderOverride();
            return true;
        }
    }
    std::optional<std::string> exe = platform::ExecutablePath();
    if (!exe) {
        return false;
    }
    std::size_t slash = exe->find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return false;
    }
    path = exe->substr(0, slash);
    return true;
}

bool GetDocumentsFolder(std::string& path) {
    path = platform::DocumentsPath();
    return true;
}

bool BuildAppPath(const char* file, const char* folder, bool isFile, std::string& path) {
    if (file == nullptr || folder == nullptr) {
        return false;
    }
    std::string moduleFolder; // stays empty when unknown: the path then starts with "/"
    if (!GetModuleFolder(moduleFolder)) {
        moduleFolder.clear();
    }
    path = moduleFolder + "/" + folder + "/" + file;
    if (!isFile) {
        path += "/";
    }
    return true;
}

bool CreateDirectoryPath(const char* path) {
    if (path == nullptr) {
        return false;
    }
    std::string work = path;
    if (platform::IsDirectory(work)) {
        return true;
    }
    if (work.empty() || work.back() != '/') {
        work += '/';
    }
    for (std::size_t slash = work.find('/'); slash != std::string::npos;
         slash = work.find('/', slash + 1)) {
        std::string prefix = work.substr(0, slash);
        if (prefix.empty() || platform::IsDirectory(prefix)) {
            continue;
        }
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}
