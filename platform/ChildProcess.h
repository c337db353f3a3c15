// A child process started with posix_spawn, its stdout and stderr merged into one pipe, and
// optionally a pipe for its stdin. The owner reads, writes and waits; nothing is shared.
// The child leads a process group of its own: a stop request on the token it was started with
// kills that group, so a worker blocked reading or waiting on it returns at once.
#pragma once

#include "platform/StopScope.h"

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
public:
    enum class Stdin { Null, Pipe };

    ChildProcess();
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Starts argv[0] (a path when it holds a '/', else searched in PATH). Output goes to a
    /// pipe when `captureOutput`, else to /dev/null. False when the pipes or the process
    /// cannot be created (for example a missing or non-executable program), and when `stop`
    /// is already requested. Until the child is reaped or abandoned, a stop request on `stop`
    /// (by default the thread's current one) sends SIGKILL to the child's process group.
    [[nodiscard]] bool start(const std::vector<std::string>& argv, bool captureOutput,
                             Stdin stdinMode = Stdin::Null,
                             std::stop_token stop = CurrentStopToken());

    /// Gives the next started child `name`=`value` in place of the variable of that name in
    /// this process's environment.
    void setEnvironment(const std::string& name, const std::string& value);

    pid_t pid() const { return m_pid; }
    /// Read end of the merged stdout/stderr pipe; -1 when not captured or already released.
    int outputFd() const { return m_outFd; }
    /// Write end of the stdin pipe; -1 when not piped or closed.
    int stdinFd() const { return m_inFd; }

    /// Writes all of `bytes` to the child's stdin. False on failure.
    [[nodiscard]] bool writeStdin(const std::string& bytes);
    void closeStdin();
    void closeOutput();

    /// Reads at most `max` bytes; waits up to `timeout` for data (nullopt: no limit).
    /// Returns the number read, 0 at end of file, -1 on error, -2 on time-out.
    long readSome(char* buffer, std::size_t max, std::optional<std::chrono::milliseconds> timeout);

    /// Non-blocking check whether the child has ended (and reaps it).
    bool hasExited();
    /// Waits until the child ends; returns its exit status (or -1).
    int wait();

    /// The owner is done with the child after its output ended: the pipes close and a child
    /// that ends within `grace` is reaped here; only one still running then goes to abandon().
    void release(std::chrono::milliseconds grace);

    /// Gives the pid and the output pipe up to a detached thread that drains and discards the
    /// output until end of file and reaps the child, leaving the child running undisturbed (a
    /// later stop request no longer kills it).
    void abandon();

private:
    struct StopLink;
    void reset();
    /// Reaps the ended child (`block`: waits for it to end); false when it is still running.
    bool reap(bool block);

    std::unique_ptr<StopLink> m_stopLink; // kills the group on a stop; dropped before reaping

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_inFd = -1;
    bool m_reaped = false;
    int m_status = -1;
    std::vector<std::string> m_environment; ///< "NAME=value" overrides for start
};

} // namespace platform
