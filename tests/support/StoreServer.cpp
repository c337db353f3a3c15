#include "StoreServer.h"

#include "TestEnvironment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace testsupport {
namespace {

std::vector<std::string> StoreServerArguments(const std::vector<std::string>& extraArgs) {
    // The catalogue's packages and icons are made once per build tree.
    const std::string catalogue =
        (std::getenv("PENLOW_BUILD_DIR") != nullptr ? BuildDir()
                                                    : std::string(PENLOW_BUILD_DIR_AT_BUILD)) +
        "/store-catalogue";
    std::vector<std::string> arguments = {"--store-files", catalogue};
    arguments.insert(arguments.end(), extraArgs.begin(), extraArgs.end());
    return arguments;
}

} // namespace

// Making the catalogue the first time takes a while.
StoreServer::StoreServer(const std::vector<std::string>& extraArgs)
    : m_server(StoreServerArguments(extraArgs), std::chrono::seconds(60)),
      m_port(m_server.port("store")) {
    if (m_port == 0) {
        std::fprintf(stderr, "devservices store did not start: %s\n",
                     m_server.startOutput().c_str());
    }
}

std::string StoreServer::host() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string StoreServer::url(const std::string& path) const {
    return "http://" + host() + path;
}

} // namespace testsupport
