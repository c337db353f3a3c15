#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Both ends close-on-exec: the child gets its copies through dup2 in the file actions only,
// so no other child started at the same time inherits them (which would hold pipes open).
bool makePipe(int fds[2]) {
    return ::pipe2(fds, O_CLOEXEC) == 0;
}

// This process's environment with `overrides` ("NAME=value") in place of their namesakes;
// null-terminated, pointing into both.
std::vector<char*> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<char*> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const bool replaced = std::any_of(overrides.begin(), overrides.end(), [&](const auto& o) {
            const std::size_t equals = o.find('=');
            return text.substr(0, equals + 1) == std::string_view(o).substr(0, equals + 1);
        });
        if (!replaced) {
            entries.push_back(*entry);
        }
    }
    for (const std::string& entry : overrides) {
        entries.push_back(const_cast<char*>(entry.c_str()));
    }
    entries.push_back(nullptr);
    return entries;
}

// Kills the child's whole process group: a shell's own children go with it, so nothing is left
// holding the output pipe open.
struct KillGroup {
    pid_t group;
    void operator()() const noexcept { ::kill(-group, SIGKILL); }
};

} // namespace

struct ChildProcess::StopLink {
    StopLink(std::stop_token stop, pid_t group) : callback(std::move(stop), KillGroup{group}) {}
    std::stop_callback<KillGroup> callback;
};

ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess() {
    closeFd(m_inFd);
    closeFd(m_outFd);
    if (m_pid > 0 && !m_reaped) {
        abandon();
    }
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept {
    *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        // The child this object had is handed on, never forgotten unreaped.
        if (m_pid > 0 && !m_reaped) {
            abandon();
        }
        closeFd(m_inFd);
        closeFd(m_outFd);
        m_pid = other.m_pid;
        m_outFd = other.m_outFd;
        m_inFd = other.m_inFd;
        m_reaped = other.m_reaped;
        m_status = other.m_status;
        m_stopLink = std::move(other.m_stopLink);
        other.reset();
    }
    return *this;
}

void ChildProcess::reset() {
    m_stopLink.reset();
    m_pid = -1;
    m_outFd = -1;
    m_inFd = -1;
    m_reaped = false;
    m_status = -1;
}

bool ChildProcess::start(const std::vector<std::string>& argv, bool captureOutput, Stdin stdinMode,
                         std::stop_token stop) {
    if (argv.empty() || argv[0].empty() || stop.stop_requested()) {
        return false;
    }
    if (m_pid > 0 && !m_reaped) {
        return false; // one child per object: a live one is never dropped for another
    }
    closeFd(m_inFd);
    closeFd(m_outFd);
    reset();
    int out[2] = {-1, -1};
    int in[2] = {-1, -1};
    if ((captureOutput && !makePipe(out)) || (stdinMode == Stdin::Pipe && !makePipe(in))) {
        closeFd(out[0]);
        closeFd(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinMode == Stdin::Pipe) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    // Nothing else of ours goes along: a child that outlives us (adb's server daemon) must not
    // keep a socket or pipe of this process open, such as the web engine's helper channels,
    // whose peers wait for them to close.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The child starts with default signal handling even if we ignore SIGPIPE.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    bool hasSlash = argv[0].find('/') != std::string::npos;
    std::vector<char*> environment = environmentWith(m_environment);
    int rc = hasSlash
                 ? posix_spawn(&pid, args[0], &actions, &attr, args.data(), environment.data())
                 : posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    closeFd(out[1]);
    closeFd(in[0]);
    if (rc != 0) {
        closeFd(out[0]);
        closeFd(in[1]);
        return false;
    }
    m_pid = pid;
    m_outFd = out[0];
    m_inFd = in[1];
    m_reaped = false;
    if (stop.stop_possible()) {
        // Runs the kill at once when the stop came while the child was being started.
        m_stopLink = std::make_unique<StopLink>(std::move(stop), pid);
    }
    return true;
}

void ChildProcess::setEnvironment(const std::string& name, const std::string& value) {
    std::erase_if(m_environment, [&](const std::string& entry) {
        return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
               entry[name.size()] == '=';
    });
    m_environment.push_back(name + "=" + value);
}

bool ChildProcess::writeStdin(const std::string& bytes) {
    std::size_t done = 0;
    while (m_inFd >= 0 && done < bytes.size()) {
        ssize_t n = ::write(m_inFd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return done == bytes.size();
}

void ChildProcess::closeStdin() {
    closeFd(m_inFd);
}
void ChildProcess::closeOutput() {
    closeFd(m_outFd);
}

long ChildProcess::readSome(char* buffer, std::size_t max,
                            std::optional<std::chrono::milliseconds> timeout) {
    if (m_outFd < 0) {
        return -1;
    }
    pollfd pfd{m_outFd, POLLIN, 0};
    int waitMs = timeout ? static_cast<int>(timeout->count()) : -1;
    int ready;
    do {
        ready = ::poll(&pfd, 1, waitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        return -2;
    }
    if (ready < 0) {
        return -1;
    }
    ssize_t n;
    do {
        n = ::read(m_outFd, buffer, max);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

// The child is waited for without reaping it first (WNOWAIT): while it is a zombie its pid and
// group id cannot be reused, so the stop link can still be dropped safely before the reap.
bool ChildProcess::reap(bool block) {
    siginfo_t info{};
    const int flags = WEXITED | WNOWAIT | (block ? 0 : WNOHANG);
    int rc;
    do {
        rc = ::waitid(P_PID, static_cast<id_t>(m_pid), &info, flags);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0 && info.si_pid == 0) {
        return false; // still running (WNOHANG)
    }
    m_stopLink.reset();
    if (rc < 0) {
        m_reaped = true; // not our child any more (reaped elsewhere): nothing to wait for
        m_status = -1;
        return true;
    }
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    m_reaped = true;
    m_status = r == m_pid ? status : -1;
    return true;
}

bool ChildProcess::hasExited() {
    if (m_pid <= 0 || m_reaped) {
        return true;
    }
    return reap(false);
}

int ChildProcess::wait() {
    if (m_pid <= 0) {
        return -1;
    }
    if (!m_reaped) {
        (void)reap(true);
    }
    return m_status;
}

void ChildProcess::abandon() {
    m_stopLink.reset();
    pid_t pid = m_pid;
    int outFd = m_outFd;
    bool reaped = m_reaped;
    closeFd(m_inFd);
    reset();
    if (pid <= 0 || (reaped && outFd < 0)) {
        return;
    }
    // The drainer owns the pipe and the pid from here on; it touches nothing else. Without a
    // thread to give, the pipe is closed and the child left to end on its own: a zombie until
    // this process ends is better than ending the process.
    std::thread drainer;
    try {
        drainer = std::thread([pid, outFd, reaped] {
            if (outFd >= 0) {
                char sink[4096];
                while (true) {
                    ssize_t n = ::read(outFd, sink, sizeof sink);
                    if (n == 0 || (n < 0 && errno != EINTR)) {
                        break;
                    }
                }
                ::close(outFd);
            }
            if (!reaped) {
                int status = 0;
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
            }
        });
    } catch (const std::system_error&) {
        if (outFd >= 0) {
            ::close(outFd);
        }
        return;
    }
    drainer.detach();
}

void ChildProcess::release(std::chrono::milliseconds grace) {
    closeFd(m_inFd);
    if (m_pid > 0 && !m_reaped) {
        // Its output has ended: a child on its way out is reaped here, without a thread.
        const auto until = std::chrono::steady_clock::now() + grace;
        while (!reap(false) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    if (m_pid > 0 && !m_reaped) {
        abandon();
        return;
    }
    closeFd(m_outFd);
    reset();
}

} // namespace platform
