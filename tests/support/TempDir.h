// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    /// path() + "/" + relative
    std::string file(const std::string& relative) const;

private:
    std::string m_path;
};

/// Writes `content` to `path`, creating parent folders. `executable` sets mode 0755.
void WriteFile(const std::string& path, const std::string& content, bool executable = false);
/// The whole content of `path`, or the empty text when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace testsupport
