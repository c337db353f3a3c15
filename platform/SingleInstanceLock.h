// Single-instance lock: an exclusive flock on $XDG_RUNTIME_DIR/<name>.lock (or
// /tmp/<name>-<uid>.lock). The system releases it when the process ends, however it ends.
#pragma once

#include <string>

namespace platform {

class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    /// Takes the lock named `name`. False when another process holds it (or the lock file
    /// cannot be opened, which is treated the same way so that two copies never run together).
    [[nodiscard]] bool tryAcquire(const std::string& name);

    /// Path of the lock file used for `name`.
    static std::string lockPathFor(const std::string& name);
    /// Path of the local socket through which a later start of `name` reaches the holder of
    /// the lock: beside the lock file, so scoped to the user the same way.
    static std::string socketPathFor(const std::string& name);

private:
    int m_fd = -1;
};

} // namespace platform
