// A test server of tools/ (devservices, phonesim) started by a test on ephemeral loopback
// ports, stopped (by its pid) when the object goes away. Its output is read until "ready",
// then drained so that a talkative server never blocks on a full pipe.
#pragma once

#include "platform/ChildProcess.h"

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class ServerProcess {
public:
    /// Starts tools/devservices/devservices.py with `arguments` and waits for its "ready".
    explicit ServerProcess(const std::vector<std::string>& arguments,
                           std::chrono::seconds startTimeout = std::chrono::seconds(20));
    /// The same for another script of the source tree (`relativeScript`).
    ServerProcess(const std::string& relativeScript, const std::vector<std::string>& arguments,
                  std::chrono::seconds startTimeout = std::chrono::seconds(20));
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool ready() const { return m_ready; }
    /// The port of listener `name` ("soap", "login", "files", "store", "adb"), 0 when it was
    /// not announced.
    int port(const std::string& name) const;
    /// Everything the process printed up to "ready" (for failure messages).
    const std::string& startOutput() const { return m_output; }

private:
    platform::ChildProcess m_process;
    std::map<std::string, int> m_ports;
    std::string m_output;
    bool m_ready = false;
    std::thread m_drain;
};

} // namespace testsupport
