#include "ThreadGroup.h"

#include "StopScope.h"

#include <system_error>
#include <vector>

namespace platform {

ThreadGroup::~ThreadGroup() {
    stopAndJoin();
}

// Joins the threads whose body has returned; they are at most a few instructions from their
// end, so this does not wait for work.
void ThreadGroup::joinFinished(std::unique_lock<std::mutex>& guard) {
    std::vector<std::thread> finished;
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->done) {
            finished.push_back(std::move(it->thread));
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
    // A thread never reaps itself: its own entry is marked done only after its body returned.
    guard.unlock();
    for (std::thread& thread : finished) {
        thread.join();
    }
    guard.lock();
}

bool ThreadGroup::start(std::function<void(std::stop_token)> body) {
    std::unique_lock guard(m_lock);
    joinFinished(guard);
    if (m_stopping) {
        return false;
    }
    Worker& worker = m_workers.emplace_back();
    std::stop_token token = m_stop.get_token();
    ++m_running;
    try {
        worker.thread = std::thread([this, &worker, token, body = std::move(body)]() mutable {
            {
                StopScope scope(token);
                body(token);
                body = nullptr; // the body's captures go while the thread is still counted
            }
            std::lock_guard done(m_lock);
            worker.done = true;
            --m_running;
            m_idle.notify_all();
        });
    } catch (const std::system_error&) {
        m_workers.pop_back();
        --m_running;
        m_idle.notify_all();
        return false;
    }
    return true;
}

bool ThreadGroup::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock guard(m_lock);
    return m_idle.wait_for(guard, timeout, [this] { return m_running == 0; });
}

void ThreadGroup::stopAndJoin() {
    std::list<Worker> workers;
    {
        std::unique_lock guard(m_lock);
        m_stopping = true;
        m_stop.request_stop();
        m_idle.wait(guard, [this] { return m_running == 0; });
        workers.swap(m_workers);
    }
    for (Worker& worker : workers) {
        if (worker.thread.joinable()) {
            worker.thread.join();
        }
    }
    std::lock_guard guard(m_lock);
    m_stop = std::stop_source();
    m_stopping = false;
}

int ThreadGroup::running() {
    std::lock_guard guard(m_lock);
    return m_running;
}

} // namespace platform
