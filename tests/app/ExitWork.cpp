#include "ExitWork.h"

#include "platform/ChildProcess.h"

#include <filesystem>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kFileSize = 8 * 1024 * 1024;

// A loopback listener that accepts through the kernel's backlog and never answers.
int listenSilently(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return fd;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Reads what the child prints until `text` appears (true) or the output ends or a minute passes.
bool readUntil(platform::ChildProcess& child, const std::string& text, std::string& output) {
    char buffer[1024];
    const Clock::time_point end = Clock::now() + 60s;
    while (output.find(text) == std::string::npos && Clock::now() < end) {
        const long n = child.readSome(buffer, sizeof buffer, 1s);
        if (n == 0 || n == -1) {
            return false;
        }
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return output.find(text) != std::string::npos;
}

} // namespace

ExitWork::ExitWork() {
    m_silentFd = listenSilently(m_silentPort);
    WriteFile(m_files.file("first.bin"), PatternBytes(kFileSize, 1));
    WriteFile(m_files.file("second.bin"), PatternBytes(kFileSize, 2));
    m_fileServer = std::make_unique<FileServer>(m_files.path());
    m_sim = std::make_unique<PhoneSimProcess>(
        std::vector<std::string>{R"({"serial": "EXIT1", "state": "device"})"});
    if (!m_sim->started()) {
        return;
    }
    m_adbPort =
        std::make_unique<ScopedEnv>("ANDROID_ADB_SERVER_PORT", std::to_string(m_sim->port()));
    m_sysfs = std::make_unique<ScopedEnv>("PENLOW_SYSFS_ROOT", m_sim->sysfsRoot());
    PrepareProgramFolder(m_program.path());
    std::error_code ec;
    std::filesystem::create_symlink(BuildDir() + "/Penlow/download_engine.so",
                                    m_program.file("download_engine.so"), ec);
    WriteFile(m_program.file("data/Config.ini"),
              "[WebService]\nhost=127.0.0.1\nport=" + std::to_string(m_silentPort) + "\n");
}

ExitWork::~ExitWork() {
    m_sysfs.reset();
    m_adbPort.reset();
    m_sim.reset();
    if (m_silentFd >= 0) {
        ::close(m_silentFd);
    }
}

bool ExitWork::ready() const {
    return m_silentPort != 0 && m_fileServer->ok() && m_sim->started();
}

std::optional<ExitRun> ExitWork::run(bool idle, std::chrono::milliseconds settle) {
    std::vector<std::string> argv = {BuildDir() + "/bin/penlow-cli", "--program-folder",
                                     m_program.path(), "exit-with-work"};
    if (!idle) {
        // Slow enough to be running at the close, fast enough to have started.
        for (const char* name : {"first.bin", "second.bin"}) {
            argv.insert(argv.end(),
                        {"--download", m_fileServer->url(std::string(name) + "?rate=200000")});
        }
        argv.insert(argv.end(),
                    {"--monitor", "--report", "--driver-job", "--adb-kill-name", "pnl-exit-none"});
    }
    platform::ChildProcess child;
    if (!child.start(argv, true, platform::ChildProcess::Stdin::Pipe)) {
        return std::nullopt;
    }
    ExitRun run;
    if (!readUntil(child, "working", run.output)) {
        ::kill(child.pid(), SIGKILL);
        (void)child.wait();
        return std::nullopt;
    }
    std::this_thread::sleep_for(settle);
    const Clock::time_point asked = Clock::now();
    (void)child.writeStdin("close\n");
    (void)readUntil(child, "\x01never", run.output); // to the end of its output
    run.status = child.wait();
    run.closing = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - asked);
    return run;
}

} // namespace testsupport
