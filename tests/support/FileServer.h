// The file half of tools/devservices run as a child process for one test: serves a folder on
// an ephemeral loopback port, with the fault modes of the query string.
#pragma once

#include "ServerProcess.h"

#include <string>
#include <vector>

namespace testsupport {

class FileServer {
public:
    /// Starts devservices.py serving `root`; `extraArgs` are added to its command line.
    explicit FileServer(const std::string& root, const std::vector<std::string>& extraArgs = {});
    FileServer(const FileServer&) = delete;
    FileServer& operator=(const FileServer&) = delete;

    /// True once the server reported its port.
    bool ok() const { return m_port > 0; }
    int port() const { return m_port; }
    /// "http://127.0.0.1:<port>/<pathAndQuery>"
    std::string url(const std::string& pathAndQuery) const;

private:
    ServerProcess m_server; // ended (by its pid) with this object
    int m_port = 0;
};

/// A file of `size` bytes of a repeatable pseudo-random pattern (seeded by `seed`).
std::string PatternBytes(std::size_t size, unsigned seed = 1);

/// Lower-case hexadecimal MD5 of `bytes`.
std::string Md5Hex(const std::string& bytes);

} // namespace testsupport
