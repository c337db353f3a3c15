// The program's one kind of long-lived worker thread: a std::jthread whose stop token is the
// thread's current stop token for its whole body (StopScope.h), so that a stop request also
// kills the child processes and shuts the sockets the body opened and the owner's join returns
// at once. The owner stops and joins it; the body waits for work or for its stop
// (WaitForWork), it does not poll. A worker may be stopped or restarted from any thread, also
// from inside its own body (a page call it makes may do that).
#pragma once

#include <cassert>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace platform {

class Worker {
public:
    Worker() = default;
    /// Stops and joins the thread and every earlier one. Never on the worker's own thread.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    /// Runs `body` on a new thread; a worker still running is stopped and joined first (or,
    /// asked from inside it, joined by the next stop from another thread). False (body not
    /// run) when the system gives no thread.
    [[nodiscard]] bool start(std::function<void(std::stop_token)> body);

    /// Asks the body to end; returns at once. Any thread.
    void requestStop();
    /// Asks the body to end and waits for it. Asked from inside the body it cannot wait: the
    /// thread is kept and joined by the next stop or start made on another thread.
    void stop();

    /// A thread was started and not yet stopped.
    bool running() const;

private:
    void retire(std::jthread& old);
    void joinRetired();

    mutable std::mutex m_lock;           // guards the two members below; any thread
    std::jthread m_thread;               // the current worker
    std::vector<std::jthread> m_retired; // stopped workers that were stopped from inside
};

/// Waits on `wake` until `ready()` holds or `stop` is requested; true when ready. `lock` holds
/// the mutex that guards what `ready` reads. A stop request wakes the wait by itself.
template <typename Ready>
bool WaitForWork(std::condition_variable_any& wake, std::unique_lock<std::mutex>& lock,
                 std::stop_token stop, Ready ready) {
    return wake.wait(lock, stop, ready);
}

} // namespace platform
