// phonesim (tools/phonesim) for C++ tests: starts it on ephemeral ports with the given phone
// scripts, talks to its control port, and ends it (by its pid) when the object goes away,
// then runs `adb -P <port> kill-server` in case the real adb client started a server there.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "TempDir.h"

namespace testsupport {

class PhoneSimProcess {
public:
    /// `phones`: JSON texts of phone scripts. `extraArgs`: further phonesim options
    /// ("--fragment", "3", ...). Check started() before use.
    explicit PhoneSimProcess(const std::vector<std::string>& phones,
                             const std::vector<std::string>& extraArgs = {});
    ~PhoneSimProcess();
    PhoneSimProcess(const PhoneSimProcess&) = delete;
    PhoneSimProcess& operator=(const PhoneSimProcess&) = delete;

    bool started() const { return m_port != 0 && m_controlPort != 0; }
    int port() const { return m_port; }
    int controlPort() const { return m_controlPort; }
    /// The folder the scripts were written to; also holds the fake sysfs tree under "sys".
    const std::string& folder() const { return m_dir.path(); }
    std::string sysfsRoot() const { return m_dir.file("sys"); }

    /// Sends one control command; the answer's data lines, or nothing on "ERR" or failure.
    std::optional<std::vector<std::string>> control(const std::string& command) const;
    /// The recording as "kind<TAB>serial<TAB>text" lines (serial "-" for host requests).
    std::vector<std::string> log() const;

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
    int m_controlPort = 0;
};

/// The real adb client: the program folder's bin/Korvash/adb of the build, else the system's.
std::string RealAdbPath();

/// Makes `folder` a minimal program folder: bin/Korvash/adb linked to the real adb, image/.
void PrepareProgramFolder(const std::string& folder);

} // namespace testsupport
