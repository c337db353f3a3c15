#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>

namespace testsupport {

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name.c_str())) {
        m_old = old;
    }
    setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (m_old) {
        setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

ScopedCwd::ScopedCwd(const std::string& folder) : m_old(std::filesystem::current_path().string()) {
    std::filesystem::current_path(folder);
}

ScopedCwd::~ScopedCwd() {
    std::error_code ignored;
    std::filesystem::current_path(m_old, ignored);
}

// CTest names the trees; a test or benchmark started by hand uses the trees it was built from.
std::string SourceDir() {
    const char* dir = std::getenv("PENLOW_SOURCE_DIR");
    return dir ? dir : PENLOW_SOURCE_DIR_AT_BUILD;
}

std::string BuildDir() {
    const char* dir = std::getenv("PENLOW_BUILD_DIR");
    return dir ? dir : PENLOW_BUILD_DIR_AT_BUILD;
}

} // namespace testsupport
