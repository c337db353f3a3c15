#include "StoreServer.h"

#include "TestEnvironment.h"

#include <signal.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace testsupport {

StoreServer::StoreServer(const std::vector<std::string>& extraArgs) {
    const std::string sources =
        std::getenv("PENLOW_SOURCE_DIR") != nullptr ? SourceDir() : PENLOW_SOURCE_DIR_AT_BUILD;
    const std::string catalogue =
        (std::getenv("PENLOW_BUILD_DIR") != nullptr ? BuildDir()
                                                    : std::string(PENLOW_BUILD_DIR_AT_BUILD)) +
        "/store-catalogue";
    std::vector<std::string> argv = {"python3", sources + "/tools/devservices/devservices.py",
                                     "--store-files", catalogue};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    if (!m_process.start(argv, true)) {
        return;
    }
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (output.find("ready\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        char buffer[512];
        const long n = m_process.readSome(buffer, sizeof buffer, std::chrono::milliseconds(500));
        if (n == 0 || n == -1) {
            break;
        }
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    constexpr std::string_view kPrefix = "listening store ";
    const std::size_t at = output.find(kPrefix);
    if (at == std::string::npos || output.find("ready\n") == std::string::npos) {
        std::fprintf(stderr, "devservices store did not start: %s\n", output.c_str());
        return;
    }
    const char* begin = output.data() + at + kPrefix.size();
    std::from_chars(begin, output.data() + output.size(), m_port);
    m_drain = std::thread([this] {
        char buffer[4096];
        while (m_process.readSome(buffer, sizeof buffer, std::nullopt) > 0) {
        }
    });
}

StoreServer::~StoreServer() {
    if (m_process.pid() > 0 && !m_process.hasExited()) {
        kill(m_process.pid(), SIGTERM);
    }
    if (m_drain.joinable()) {
        m_drain.join();
    }
    if (m_process.pid() > 0) {
        m_process.wait();
    }
}

std::string StoreServer::host() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string StoreServer::url(const std::string& path) const {
    return "http://" + host() + path;
}

} // namespace testsupport
