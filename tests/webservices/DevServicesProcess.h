// tools/devservices started by a test on ephemeral loopback ports, stopped (by its pid) when
// the object goes away.
#pragma once

#include "platform/ChildProcess.h"

#include <map>
#include <string>
#include <vector>

namespace testsupport {

class DevServicesProcess {
public:
    /// Starts devservices.py with `arguments` and waits for its "ready" line.
    explicit DevServicesProcess(const std::vector<std::string>& arguments);
    ~DevServicesProcess();
    DevServicesProcess(const DevServicesProcess&) = delete;
    DevServicesProcess& operator=(const DevServicesProcess&) = delete;

    bool ready() const { return m_ready; }
    /// The port of listener `name` ("soap", "login"), 0 when it was not announced.
    int port(const std::string& name) const;
    /// Everything the process printed up to "ready" (for failure messages).
    const std::string& startOutput() const { return m_output; }

private:
    platform::ChildProcess m_process;
    std::map<std::string, int> m_ports;
    std::string m_output;
    bool m_ready = false;
};

} // namespace testsupport
