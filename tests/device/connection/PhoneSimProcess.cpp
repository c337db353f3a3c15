// Starting, steering and ending phonesim for a test.
#include "PhoneSimProcess.h"

#include "TempDir.h"
#include "TestEnvironment.h"

#include "platform/TcpConnection.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <signal.h>

namespace testsupport {
namespace {

int portAfter(const std::string& output, const std::string& words) {
    std::size_t at = output.find(words);
    if (at == std::string::npos) {
        return 0;
    }
    const char* begin = output.data() + at + words.size();
    int port = 0;
    std::from_chars(begin, output.data() + output.size(), port);
    return port;
}

// The value of a "key": number or "key": "text" in one JSON line of phonesim's log.
std::string jsonField(const std::string& line, const std::string& key) {
    std::size_t at = line.find("\"" + key + "\": ");
    if (at == std::string::npos) {
        return {};
    }
    at += key.size() + 4;
    if (line[at] == '"') {
        std::size_t end = line.find('"', at + 1);
        return line.substr(at + 1, end - at - 1);
    }
    std::size_t end = line.find_first_of(",}", at);
    return line.substr(at, end - at);
}

} // namespace

std::string AdbClientPath() {
    const char* programDir = std::getenv("PENLOW_PROGRAM_DIR");
    if (programDir && std::filesystem::exists(std::string(programDir) + "/bin/Korvash/adb")) {
        return std::string(programDir) + "/bin/Korvash/adb";
    }
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && std::filesystem::exists(folder + "/adb")) {
            return folder + "/adb";
        }
    }
    return "/usr/bin/adb";
}

PhoneSimProcess::PhoneSimProcess(const std::string& folder,
                                 const std::vector<std::string>& phoneScripts,
                                 const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"python3", SourceDir() + "/tools/phonesim/phonesim.py",
                                     "--port", "0"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    for (std::size_t i = 0; i < phoneScripts.size(); ++i) {
        std::string path = folder + "/phone" + std::to_string(i) + ".json";
        WriteFile(path, phoneScripts[i]);
        argv.push_back(path);
    }
    if (!m_process.start(argv, true)) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    char buffer[512];
    while (m_output.find("ready\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        long n = m_process.readSome(buffer, sizeof buffer, std::chrono::milliseconds(200));
        if (n == 0 || n == -1) {
            break;
        }
        if (n > 0) {
            m_output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    if (m_output.find("ready\n") != std::string::npos) {
        m_adbPort = portAfter(m_output, "listening adb ");
        m_controlPort = portAfter(m_output, "listening control ");
    }
}

PhoneSimProcess::~PhoneSimProcess() {
    if (m_process.pid() > 0) {
        if (!m_process.hasExited()) {
            ::kill(m_process.pid(), SIGTERM);
        }
        m_process.closeOutput();
        m_process.wait();
    }
    if (m_adbPort > 0) {
        // The adb client starts a real server on the port when it finds none there.
        platform::ChildProcess adb;
        if (adb.start({AdbClientPath(), "-P", std::to_string(m_adbPort), "kill-server"}, false)) {
            adb.wait();
        }
    }
}

bool PhoneSimProcess::control(const std::string& command, std::vector<std::string>* lines) const {
    platform::TcpConnection connection;
    if (!connection.connect("127.0.0.1", static_cast<std::uint16_t>(m_controlPort),
                            std::chrono::milliseconds(5000)) ||
        !connection.sendAll(command + "\n")) {
        return false;
    }
    std::string answer;
    char buffer[4096];
    while (true) {
        long n = connection.receiveSome(buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        answer.append(buffer, static_cast<std::size_t>(n));
        if (answer == "OK\n" || answer.ends_with("\nOK\n")) {
            break;
        }
        if (answer.rfind("ERR ", 0) == 0 || answer.find("\nERR ") != std::string::npos) {
            return false;
        }
    }
    if (lines) {
        std::istringstream in(answer);
        std::string line;
        while (std::getline(in, line) && line != "OK") {
            lines->push_back(line);
        }
    }
    return true;
}

std::vector<PhoneSimProcess::HostRequest> PhoneSimProcess::hostRequests() const {
    std::vector<std::string> lines;
    std::vector<HostRequest> requests;
    if (!control("log json", &lines)) {
        return requests;
    }
    for (const std::string& line : lines) {
        if (jsonField(line, "kind") != "host") {
            continue;
        }
        HostRequest request;
        request.text = jsonField(line, "text");
        std::string time = jsonField(line, "time");
        request.time = std::strtod(time.c_str(), nullptr);
        requests.push_back(request);
    }
    return requests;
}

} // namespace testsupport
