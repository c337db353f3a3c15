// Looking up and ending processes by their executable name (/proc/<pid>/comm).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

/// Processes whose executable name equals `name` exactly (case-sensitive). Names longer than
/// the kernel's 15-character comm field are matched on argv[0]'s base name as well.
std::vector<pid_t> FindProcessesByName(const std::string& name);

/// Sends SIGKILL to every process named `name`, except this process. Failures are ignored.
void KillProcessesNamed(const std::string& name);

} // namespace platform
