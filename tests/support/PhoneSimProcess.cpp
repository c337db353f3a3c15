#include "PhoneSimProcess.h"

#include "TestEnvironment.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {
namespace {

pid_t spawn(const std::vector<std::string>& argv, int stdoutFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Reads "listening adb N", "listening control M", the device mode's "serial emulator-N
// SCRIPT-SERIAL" lines and "ready" (10 s at most).
void readPorts(int fd, int& port, int& controlPort,
               std::map<std::string, std::string>& adbSerials) {
    std::string pending;
    char buffer[256];
    while (pending.find("ready\n") == std::string::npos) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 10000) != 1) {
            return;
        }
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    for (auto [key, target] :
         {std::pair{"listening adb ", &port}, std::pair{"listening control ", &controlPort}}) {
        std::size_t at = pending.find(key);
        if (at != std::string::npos) {
            *target = std::stoi(pending.substr(at + std::strlen(key)));
        }
    }
    std::size_t line = 0;
    while (line < pending.size()) {
        std::size_t end = pending.find('\n', line);
        const std::string text = pending.substr(line, end - line);
        line = end == std::string::npos ? pending.size() : end + 1;
        if (text.rfind("serial ", 0) != 0) {
            continue;
        }
        const std::size_t space = text.find(' ', 7);
        if (space != std::string::npos) {
            adbSerials[text.substr(space + 1)] = text.substr(7, space - 7);
        }
    }
}

} // namespace

PhoneSimProcess::PhoneSimProcess(const std::vector<std::string>& phones,
                                 const std::vector<std::string>& extraArgs, PhoneSimMode mode) {
    // CTest says where the sources are; a test binary started by hand falls back to the tree
    // it was built from.
    const std::string sources =
        std::getenv("PENLOW_SOURCE_DIR") != nullptr ? SourceDir() : PENLOW_SOURCE_DIR_AT_BUILD;
    std::vector<std::string> argv{"python3", sources + "/tools/phonesim/phonesim.py",
                                  "--sysfs-root", sysfsRoot()};
    if (mode == PhoneSimMode::Device) {
        m_adbServer = std::make_unique<AdbServerProcess>();
        if (!m_adbServer->started()) {
            return;
        }
        argv.insert(argv.end(),
                    {"--device-port", "0", "--announce-to", std::to_string(m_adbServer->port())});
    }
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    for (std::size_t i = 0; i < phones.size(); ++i) {
        std::string path = m_dir.file("phone" + std::to_string(i) + ".json");
        WriteFile(path, phones[i]);
        argv.push_back(path);
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return;
    }
    m_pid = spawn(argv, pipeFds[1]);
    close(pipeFds[1]);
    if (m_pid > 0) {
        readPorts(pipeFds[0], m_port, m_controlPort, m_adbSerials);
    }
    close(pipeFds[0]);
    if (m_adbServer != nullptr && m_controlPort != 0) {
        m_port = m_adbServer->port();
    }
}

PhoneSimProcess::~PhoneSimProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (m_port != 0 && m_adbServer == nullptr) {
        pid_t adb = spawn({RealAdbPath(), "-P", std::to_string(m_port), "kill-server"}, -1);
        int status = 0;
        if (adb > 0) {
            waitpid(adb, &status, 0);
        }
    }
}

std::string PhoneSimProcess::adbSerial(const std::string& scriptSerial) const {
    const auto found = m_adbSerials.find(scriptSerial);
    return found == m_adbSerials.end() ? scriptSerial : found->second;
}

std::optional<std::vector<std::string>> PhoneSimProcess::control(const std::string& command) const {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(m_controlPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return std::nullopt;
    }
    std::string line = command + "\n";
    (void)!write(fd, line.data(), line.size());
    std::string answer;
    char buffer[4096];
    std::vector<std::string> lines;
    std::optional<std::vector<std::string>> result;
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = answer.find('\n')) != std::string::npos) {
            std::string current = answer.substr(0, end);
            answer.erase(0, end + 1);
            if (current == "OK") {
                result = lines;
            }
            if (current == "OK" || current.rfind("ERR", 0) == 0) {
                close(fd);
                return result;
            }
            lines.push_back(current);
        }
    }
    close(fd);
    return std::nullopt;
}

std::vector<std::string> PhoneSimProcess::log() const {
    std::vector<std::string> lines;
    for (const std::string& line : control("log").value_or(std::vector<std::string>{})) {
        // Drop the sequence number.
        std::size_t tab = line.find('\t');
        lines.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return lines;
}

std::string RealAdbPath() {
    const char* programDir = std::getenv("PENLOW_PROGRAM_DIR");
    if (programDir != nullptr) {
        std::string candidate = std::string(programDir) + "/bin/Korvash/adb";
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "adb";
}

void PrepareProgramFolder(const std::string& folder) {
    std::filesystem::create_directories(folder + "/bin/Korvash");
    std::filesystem::create_directories(folder + "/image");
    std::string adb = RealAdbPath();
    if (adb == "adb") {
        adb = "/usr/bin/adb";
    }
    std::error_code ignored;
    std::filesystem::create_symlink(std::filesystem::canonical(adb, ignored),
                                    folder + "/bin/Korvash/adb", ignored);
}

} // namespace testsupport
