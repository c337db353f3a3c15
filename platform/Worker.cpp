#include "Worker.h"

#include "StopScope.h"
#include "ThreadStart.h"

namespace platform {

Worker::~Worker() {
    stop();
    std::lock_guard guard(m_lock);
    assert(m_retired.empty() && "a worker is never destroyed on its own thread");
}

bool Worker::start(std::function<void(std::stop_token)> body) {
    stop(); // the one before ends first (or, asked from inside it, is kept for a later join)
    std::jthread raced;
    bool started = false;
    {
        // The handle is stored before the body can look for it: a body that stops its own
        // worker at once must find itself here.
        std::lock_guard guard(m_lock);
        raced = std::move(m_thread); // another start from another thread got in between
        m_thread = TryStartThread([body = std::move(body)](std::stop_token token) {
            StopScope scope(token);
            body(token);
        });
        started = m_thread.joinable();
    }
    retire(raced);
    return started;
}

void Worker::requestStop() {
    std::lock_guard guard(m_lock);
    m_thread.request_stop();
}

void Worker::stop() {
    std::jthread old;
    {
        std::lock_guard guard(m_lock);
        old = std::move(m_thread);
    }
    retire(old);
    joinRetired();
}

bool Worker::running() const {
    std::lock_guard guard(m_lock);
    return m_thread.joinable();
}

// Joined outside the lock: the old body may be inside a call that itself stops or restarts
// this worker.
void Worker::retire(std::jthread& old) {
    if (!old.joinable()) {
        return;
    }
    old.request_stop();
    if (old.get_id() == std::this_thread::get_id()) {
        std::lock_guard guard(m_lock);
        m_retired.push_back(std::move(old));
        return;
    }
    old.join();
}

void Worker::joinRetired() {
    std::vector<std::jthread> others;
    {
        std::lock_guard guard(m_lock);
        for (auto it = m_retired.begin(); it != m_retired.end();) {
            if (it->get_id() != std::this_thread::get_id()) {
                others.push_back(std::move(*it));
                it = m_retired.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (std::jthread& thread : others) {
        thread.join();
    }
}

} // namespace platform
