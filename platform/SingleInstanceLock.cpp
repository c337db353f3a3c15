#include "SingleInstanceLock.h"

#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

namespace {

std::string fallbackPath(const std::string& name, const char* suffix) {
    return "/tmp/" + name + "-" + std::to_string(::getuid()) + suffix;
}

std::string runtimePath(const std::string& name, const char* suffix) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        return std::string(runtime) + "/" + name + suffix;
    }
    return fallbackPath(name, suffix);
}

} // namespace

std::string SingleInstanceLock::lockPathFor(const std::string& name) {
    return runtimePath(name, ".lock");
}

std::string SingleInstanceLock::socketPathFor(const std::string& name) {
    return runtimePath(name, ".socket");
}

bool SingleInstanceLock::tryAcquire(const std::string& name) {
    if (m_fd >= 0) {
        return true;
    }
    int fd = ::open(lockPathFor(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

} // namespace platform
