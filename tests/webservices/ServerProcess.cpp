// Starting and stopping a tools/ test server for a test.
#include "ServerProcess.h"

#include "TestEnvironment.h"

#include <charconv>
#include <chrono>
#include <sstream>

#include <signal.h>

#ifndef PENLOW_PYTHON
#define PENLOW_PYTHON "python3"
#endif

namespace testsupport {

ServerProcess::ServerProcess(const std::vector<std::string>& arguments)
    : ServerProcess("tools/devservices/devservices.py", arguments) {}

ServerProcess::ServerProcess(const std::string& relativeScript,
                             const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {PENLOW_PYTHON, SourceDir() + "/" + relativeScript};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (!m_process.start(argv, true)) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    char buffer[512];
    while (!m_ready && std::chrono::steady_clock::now() < deadline) {
        const long n = m_process.readSome(buffer, sizeof buffer, std::chrono::milliseconds(200));
        if (n == 0 || n == -1) {
            break;
        }
        if (n > 0) {
            m_output.append(buffer, static_cast<std::size_t>(n));
        }
        m_ready =
            m_output.find("\nready\n") != std::string::npos || m_output.rfind("ready\n", 0) == 0;
    }
    std::istringstream lines(m_output);
    std::string word, name, port;
    while (lines >> word) {
        if (word == "listening" && lines >> name >> port) {
            int value = 0;
            std::from_chars(port.data(), port.data() + port.size(), value);
            m_ports[name] = value;
        }
    }
}

ServerProcess::~ServerProcess() {
    if (m_process.pid() > 0 && !m_process.hasExited()) {
        ::kill(m_process.pid(), SIGTERM);
    }
    if (m_process.pid() > 0) {
        m_process.wait();
    }
}

int ServerProcess::port(const std::string& name) const {
    auto it = m_ports.find(name);
    return it == m_ports.end() ? 0 : it->second;
}

} // namespace testsupport
