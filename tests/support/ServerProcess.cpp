// Starting and stopping a tools/ test server for a test.
#include "ServerProcess.h"

#include "TestEnvironment.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include <signal.h>

#ifndef PENLOW_PYTHON
#define PENLOW_PYTHON "python3"
#endif

namespace testsupport {

ServerProcess::ServerProcess(const std::vector<std::string>& arguments,
                             std::chrono::seconds startTimeout)
    : ServerProcess("tools/devservices/devservices.py", arguments, startTimeout) {}

ServerProcess::ServerProcess(const std::string& relativeScript,
                             const std::vector<std::string>& arguments,
                             std::chrono::seconds startTimeout) {
    // CTest says where the sources are; a binary started by hand (a benchmark) falls back to
    // the tree it was built from.
    const std::string sources =
        std::getenv("PENLOW_SOURCE_DIR") != nullptr ? SourceDir() : PENLOW_SOURCE_DIR_AT_BUILD;
    std::vector<std::string> argv = {PENLOW_PYTHON, sources + "/" + relativeScript};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (!m_process.start(argv, true)) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
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
    if (m_ready) {
        m_drain = std::thread([this] {
            char rest[4096];
            while (m_process.readSome(rest, sizeof rest, std::nullopt) > 0) {
            }
        });
    }
}

ServerProcess::~ServerProcess() {
    if (m_process.pid() > 0 && !m_process.hasExited()) {
        ::kill(m_process.pid(), SIGTERM);
    }
    if (m_drain.joinable()) {
        m_drain.join(); // ends at the end of the server's output
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
