// The store web site of tools/devservices run as a child process for one test, on an
// ephemeral loopback port. Its packages and icons are generated once per build tree.
#pragma once

#include "ServerProcess.h"

#include <string>
#include <vector>

namespace testsupport {

class StoreServer {
public:
    /// Starts devservices with the store listener; `extraArgs` are added to its command line
    /// (for example {"--store-fault", "stall"}, {"--log", path}).
    explicit StoreServer(const std::vector<std::string>& extraArgs = {});
    StoreServer(const StoreServer&) = delete;
    StoreServer& operator=(const StoreServer&) = delete;

    bool ok() const { return m_port > 0; }
    int port() const { return m_port; }
    /// "127.0.0.1:<port>", the value for PENLOW_STORE_HOST.
    std::string host() const;
    /// "http://127.0.0.1:<port><path>" (`path` starts with "/").
    std::string url(const std::string& path) const;

private:
    ServerProcess m_server; // ended (by its pid) with this object
    int m_port = 0;
};

} // namespace testsupport
