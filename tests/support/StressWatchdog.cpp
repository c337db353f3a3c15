#include "StressWatchdog.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport {

StressWatchdog::StressWatchdog(std::chrono::seconds hangLimit, std::uint64_t seed)
    : m_hangLimit(hangLimit), m_seed(seed), m_lastBeat(std::chrono::steady_clock::now()),
      m_thread([this](std::stop_token stop) { watch(stop); }) {}

StressWatchdog::~StressWatchdog() {
    m_thread.request_stop();
}

void StressWatchdog::beat(long step, const std::string& what) {
    std::lock_guard guard(m_lock);
    m_lastBeat = std::chrono::steady_clock::now();
    m_step = step;
    m_what = what;
}

void StressWatchdog::watch(std::stop_token stop) {
    std::unique_lock lock(m_lock);
    while (!stop.stop_requested()) {
        const auto deadline = m_lastBeat + m_hangLimit;
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "stress: no progress for %lld s after step %ld (%s), seed %llu\n",
                         static_cast<long long>(m_hangLimit.count()), m_step, m_what.c_str(),
                         static_cast<unsigned long long>(m_seed));
            std::abort();
        }
        // Woken only by the stop request; a beat just moves the deadline.
        m_stopWake.wait_until(lock, stop, deadline, [] { return false; });
    }
}

} // namespace testsupport
