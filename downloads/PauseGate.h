// A gate a worker thread passes before each round of work: closing it pauses the worker at its
// next round without suspending the thread, opening it lets the worker go on.
#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>

class PauseGate {
public:
    void close();
    void open();
    bool isOpen() const;
    /// Waits while the gate is closed. False when `stop` was requested.
    bool pass(std::stop_token stop);

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_opened;
    bool m_open = true; // guarded by m_mutex
};
