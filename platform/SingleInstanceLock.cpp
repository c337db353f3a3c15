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

std::string fallbackLockPath(const std::string& name) {
    return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

} // namespace

std::string SingleInstanceLock::lockPathFor(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        return std::string(runtime) + "/" + name + ".lock";
    }
    return fallbackLockPath(name);
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
