// Shared pieces of the web-service tests.
#include "ServiceTestSupport.h"

#include "platform/config/AppPaths.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char c = text[++i];
        out.push_back(c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c);
    }
    return out;
}

} // namespace

std::vector<ReceivedReport> ReadReports(const std::string& path) {
    std::vector<ReceivedReport> reports;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream parts(line);
        ReceivedReport report;
        std::getline(parts, report.operation, '\t');
        std::string field;
        while (std::getline(parts, field, '\t')) {
            const std::size_t eq = field.find('=');
            if (eq != std::string::npos) {
                report.fields[field.substr(0, eq)] = Unescape(field.substr(eq + 1));
            }
        }
        reports.push_back(std::move(report));
    }
    return reports;
}

ProgramFolder::ProgramFolder(const std::string& host, const std::string& port) {
    std::filesystem::create_directories(m_dir.file("updata"));
    std::string ini = "[WebService]\n";
    if (!host.empty()) {
        ini += "host=" + host + "\n";
    }
    if (!port.empty()) {
        ini += "port=" + port + "\n";
    }
    WriteFile(m_dir.file("data/Config.ini"), ini);
    OverrideModuleFolder(m_dir.path());
}

} // namespace testsupport
