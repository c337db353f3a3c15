// Shared pieces of the web-service tests: a program folder whose Config.ini points at a test
// server, and the reader of the SOAP service's report file.
#pragma once

#include "TempDir.h"

#include <map>
#include <string>
#include <vector>

namespace testsupport {

/// One line of devservices' --soap-reports file.
struct ReceivedReport {
    std::string operation;
    std::map<std::string, std::string> fields;
};

/// The reports in `path`, in order (escapes \\ \t \r \n undone).
std::vector<ReceivedReport> ReadReports(const std::string& path);

/// A temporary program folder (data/, updata/) made the program folder of this process,
/// with data/Config.ini naming `host` and `port` in section WebService.
class ProgramFolder {
public:
    ProgramFolder(const std::string& host, const std::string& port);
    const std::string& path() const { return m_dir.path(); }
    std::string file(const std::string& relative) const { return m_dir.file(relative); }

private:
    TempDir m_dir;
};

} // namespace testsupport
