// One worker thread an object owns, restarted and stopped from any thread, including from inside
// the worker itself (a page call it makes may stop or restart it).
#pragma once

#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class OwnedWorker {
public:
    OwnedWorker() = default;
    /// Stops and joins the worker. Only when the owner is destroyed on the worker's own thread
    /// can that thread not be joined; it is let go then, and touches only its own arguments.
    ~OwnedWorker() {
        stop();
        std::lock_guard guard(m_lock);
        for (std::jthread& thread : m_retired) {
            thread.detach();
        }
    }
    OwnedWorker(const OwnedWorker&) = delete;
    OwnedWorker& operator=(const OwnedWorker&) = delete;

    /// Stops the running worker, if any, and starts `body(stop_token, args...)` in its place.
    template <typename Body, typename... Args> void restart(Body&& body, Args&&... args) {
        std::jthread old;
        {
            std::lock_guard guard(m_lock);
            old = std::move(m_thread);
            old.request_stop();
            m_thread = std::jthread(std::forward<Body>(body), std::forward<Args>(args)...);
        }
        retire(old);
    }

    /// Requests a stop and waits for the worker to end. Called on the worker itself it cannot
    /// wait: the worker, told to stop, is kept and joined by the next stop or restart made on
    /// another thread (at the latest by the destructor).
    void stop() {
        std::jthread old;
        {
            std::lock_guard guard(m_lock);
            old = std::move(m_thread);
        }
        retire(old);
        joinRetired();
    }

private:
    // Waited for outside the lock: the old worker may be inside a page call that itself stops or
    // restarts this worker.
    void retire(std::jthread& old) {
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

    void joinRetired() {
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

    std::mutex m_lock;                   // guards the two members below; any thread
    std::jthread m_thread;               // the current worker
    std::vector<std::jthread> m_retired; // stopped workers that stopped themselves
};
