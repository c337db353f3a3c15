// tools/phonesim started by a test on ephemeral ports: its adb port (for
// ANDROID_ADB_SERVER_PORT) and its control channel. Ended by its pid when the object goes
// away, followed by `adb -P <port> kill-server` in case the adb client started a real server.
#pragma once

#include "platform/ChildProcess.h"

#include <string>
#include <vector>

namespace testsupport {

class PhoneSimProcess {
public:
    /// Starts phonesim with `phoneScripts` (JSON texts, one phone each) written to `folder`
    /// and `arguments` before them; waits for its "ready" line.
    PhoneSimProcess(const std::string& folder, const std::vector<std::string>& phoneScripts,
                    const std::vector<std::string>& arguments = {});
    ~PhoneSimProcess();
    PhoneSimProcess(const PhoneSimProcess&) = delete;
    PhoneSimProcess& operator=(const PhoneSimProcess&) = delete;

    bool ready() const { return m_adbPort > 0 && m_controlPort > 0; }
    int adbPort() const { return m_adbPort; }
    const std::string& startOutput() const { return m_output; }

    /// Sends one control command; true when phonesim answered "OK". `lines` gets the data
    /// lines of the answer.
    bool control(const std::string& command, std::vector<std::string>* lines = nullptr) const;

    /// The recorded host requests ("host:devices", "host:kill" ...), in order, each with the
    /// time phonesim recorded it (seconds since its start).
    struct HostRequest {
        std::string text;
        double time = 0;
    };
    std::vector<HostRequest> hostRequests() const;

private:
    platform::ChildProcess m_process;
    std::string m_output;
    int m_adbPort = 0;
    int m_controlPort = 0;
};

/// The adb client the tests run: the program folder's bin/Korvash/adb, else adb from PATH.
std::string AdbClientPath();

} // namespace testsupport
