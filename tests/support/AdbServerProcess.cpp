#include "AdbServerProcess.h"

#include "PhoneSimProcess.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {
namespace {

using namespace std::chrono_literals;

constexpr int kStartTries = 5;
constexpr int kAdbDefaultPort = 5037;

// The test's environment with the server's variables in place of its own ones; an adb client
// that follows ANDROID_SERIAL or extra keys would not be the plain client the tests mean.
std::vector<std::string>
serverEnvironment(const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool replaced =
            name == "ANDROID_SERIAL" || name == "ADB_VENDOR_KEYS" || name == "ADB_TRACE";
        for (const auto& [key, value] : overrides) {
            replaced = replaced || key == name;
        }
        if (!replaced) {
            entries.push_back(text);
        }
    }
    for (const auto& [key, value] : overrides) {
        entries.push_back(key + "=" + value);
    }
    return entries;
}

// Runs argv with envp, output discarded; the exit status, or -1.
int runWaiting(const std::vector<std::string>& argv, const std::vector<std::string>& envp,
               int limitSeconds) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const std::string& entry : envp) {
        env.push_back(const_cast<char*>(entry.c_str()));
    }
    env.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool portAnswers(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

} // namespace

int FreeLoopbackPort() {
    for (int attempt = 0; attempt < kStartTries; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return 0;
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        close(fd);
        if (port != 0 && port != kAdbDefaultPort) {
            return port;
        }
    }
    return 0;
}

AdbServerProcess::AdbServerProcess() {
    std::error_code ignored;
    std::filesystem::create_directories(home(), ignored);
    for (int attempt = 0; attempt < kStartTries && !m_started; ++attempt) {
        m_port = FreeLoopbackPort();
        m_started = m_port != 0 && runAdb({"start-server"}) == 0 && portAnswers(m_port);
    }
    if (!m_started && m_port != 0) {
        (void)runAdb({"kill-server"});
    }
}

AdbServerProcess::~AdbServerProcess() {
    if (m_port == 0) {
        return;
    }
    (void)runAdb({"kill-server"});
    // The server closes the client's socket a moment before it exits; the folder goes next.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (portAnswers(m_port) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
}

std::vector<std::pair<std::string, std::string>> AdbServerProcess::environment() const {
    return {{"HOME", home()},
            {"ANDROID_ADB_LOG_PATH", logPath()},
            {"ANDROID_ADB_SERVER_PORT", std::to_string(m_port)}};
}

int AdbServerProcess::runAdb(const std::vector<std::string>& args, int limitSeconds) const {
    std::vector<std::string> argv{RealAdbPath(), "-P", std::to_string(m_port)};
    argv.insert(argv.end(), args.begin(), args.end());
    return runWaiting(argv, serverEnvironment(environment()), limitSeconds);
}

} // namespace testsupport
