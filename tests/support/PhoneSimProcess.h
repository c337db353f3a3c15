// phonesim (tools/phonesim) for C++ tests: starts it on ephemeral ports with the given phone
// scripts, talks to its control port, and ends it (by its pid) when the object goes away.
// In the host mode phonesim is the adb server; at the end `adb -P <port> kill-server` ends a
// real server the adb client may have started on its port. In the device mode the phones sit
// behind a real adb server of the object's own (AdbServerProcess), ended by port at the end.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "AdbServerProcess.h"
#include "TempDir.h"

namespace testsupport {

/// Who answers the adb client.
enum class PhoneSimMode {
    /// phonesim speaks the adb host protocol itself: the faults only a fake server can make.
    Host,
    /// The system's adb server of the object's own, with phonesim's phones as emulators
    /// announced to it (also again after a restart of the server on its port).
    Device,
};

class PhoneSimProcess {
public:
    /// `phones`: JSON texts of phone scripts. `extraArgs`: further phonesim options
    /// ("--fragment", "3", ...). Check started() before use.
    explicit PhoneSimProcess(const std::vector<std::string>& phones,
                             const std::vector<std::string>& extraArgs = {},
                             PhoneSimMode mode = PhoneSimMode::Host);
    ~PhoneSimProcess();
    PhoneSimProcess(const PhoneSimProcess&) = delete;
    PhoneSimProcess& operator=(const PhoneSimProcess&) = delete;

    bool started() const { return m_port != 0 && m_controlPort != 0; }
    /// The adb server port for ANDROID_ADB_SERVER_PORT (phonesim's or the real server's).
    int port() const { return m_port; }
    /// The real adb server of the device mode, else nothing.
    const AdbServerProcess* adbServer() const { return m_adbServer.get(); }
    /// The serial adb shows for the script's `scriptSerial`: emulator-N in the device mode,
    /// the script's own in the host mode.
    std::string adbSerial(const std::string& scriptSerial) const;
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
    std::unique_ptr<AdbServerProcess> m_adbServer; // device mode; outlives phonesim's end
    pid_t m_pid = -1;
    int m_port = 0;
    int m_controlPort = 0;
    std::map<std::string, std::string> m_adbSerials; // script serial -> adb's, device mode
};

/// The real adb client: the program folder's bin/Korvash/adb of the build, else the system's.
std::string RealAdbPath();

/// Makes `folder` a minimal program folder: bin/Korvash/adb linked to the real adb, image/.
void PrepareProgramFolder(const std::string& folder);

} // namespace testsupport
