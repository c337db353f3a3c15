#include "FileServer.h"

#include <openssl/evp.h>

#include <cstdio>

namespace testsupport {
namespace {

std::vector<std::string> FileServerArguments(const std::string& root,
                                             const std::vector<std::string>& extraArgs) {
    std::vector<std::string> arguments = {"--files-root", root};
    arguments.insert(arguments.end(), extraArgs.begin(), extraArgs.end());
    return arguments;
}

} // namespace

FileServer::FileServer(const std::string& root, const std::vector<std::string>& extraArgs)
    : m_server(FileServerArguments(root, extraArgs)), m_port(m_server.port("files")) {
    if (m_port == 0) {
        std::fprintf(stderr, "devservices did not start: %s\n", m_server.startOutput().c_str());
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
