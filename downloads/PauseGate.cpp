// The pause gate of a polling thread.
#include "PauseGate.h"

void PauseGate::close() {
    std::lock_guard lock(m_mutex);
    m_open = false;
}

void PauseGate::open() {
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
    }
    m_opened.notify_all();
}

bool PauseGate::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

bool PauseGate::pass(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    return m_opened.wait(lock, stop, [this] { return m_open; });
}
