// Short-lived background work (a report, a check, a job step) run on threads that one object
// owns and joins: nothing is detached, and a stop request reaches the work's children and
// sockets through the thread's stop token (StopScope.h).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <stop_token>
#include <thread>

namespace platform {

class ThreadGroup {
public:
    ThreadGroup() = default;
    /// Stops and joins every thread (stopAndJoin).
    ~ThreadGroup();
    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;

    /// Runs `body` on a new thread of the group, with the group's stop token as the thread's
    /// current stop token. False (body not run) when no thread can be had or the group is
    /// being stopped. Any thread, also a thread of the group.
    bool start(std::function<void(std::stop_token)> body);

    /// Waits until every body started so far has returned; false at `timeout`.
    bool waitIdle(std::chrono::milliseconds timeout);

    /// Requests a stop of every body, waits for all threads to end and joins them. Afterwards
    /// the group takes new work again (with a fresh stop token). Must not be called from a
    /// thread of the group.
    void stopAndJoin();

    /// Bodies running now.
    int running();

private:
    struct Worker {
        std::thread thread;
        bool done = false; // guarded by m_lock
    };
    void joinFinished(std::unique_lock<std::mutex>& guard);

    std::mutex m_lock;
    std::condition_variable m_idle;
    std::list<Worker> m_workers; // guarded by m_lock; any thread
    std::stop_source m_stop;     // replaced under m_lock by stopAndJoin
    int m_running = 0;           // guarded by m_lock
    bool m_stopping = false;     // guarded by m_lock
};

} // namespace platform
