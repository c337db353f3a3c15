#include "FileServer.h"

#include "TestEnvironment.h"

#include <openssl/evp.h>
#include <signal.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace testsupport {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);

} // namespace

FileServer::FileServer(const std::string& root, const std::vector<std::string>& extraArgs) {
    // CTest says where the sources are; a binary started by hand (the benchmark) falls back to
    // the tree it was built from.
    const std::string sources =
        std::getenv("PENLOW_SOURCE_DIR") != nullptr ? SourceDir() : PENLOW_SOURCE_DIR_AT_BUILD;
    std::vector<std::string> argv = {"python3", sources + "/tools/devservices/devservices.py",
                                     "--files-root", root};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    if (!m_process.start(argv, true)) {
        return;
    }
    std::string output;
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (output.find("ready\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        char buffer[512];
        long n = m_process.readSome(buffer, sizeof buffer, std::chrono::milliseconds(500));
        if (n == 0 || n == -1) {
            break;
        }
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    constexpr std::string_view kPrefix = "listening files ";
    std::size_t at = output.find(kPrefix);
    if (at == std::string::npos || output.find("ready\n") == std::string::npos) {
        std::fprintf(stderr, "devservices did not start: %s\n", output.c_str());
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

FileServer::~FileServer() {
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

std::string FileServer::url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + pathAndQuery;
}

std::string PatternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string Md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

} // namespace testsupport
