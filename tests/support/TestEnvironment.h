// Environment and working-directory changes that last for one scope.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& folder);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::string m_old;
};

/// The source tree and build tree (set by CTest through PENLOW_SOURCE_DIR / PENLOW_BUILD_DIR;
/// without them, the trees this file was built from).
std::string SourceDir();
std::string BuildDir();

} // namespace testsupport
