// A long-running test's guard against a hang: the test beats once per step; when no beat
// comes for the hang limit, the watchdog prints the seed and the last step and aborts, so the
// run ends with a core (where the system writes one) instead of waiting for an outer time-out
// that kills it without a trace.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

class StressWatchdog {
public:
    StressWatchdog(std::chrono::seconds hangLimit, std::uint64_t seed);
    ~StressWatchdog();
    StressWatchdog(const StressWatchdog&) = delete;
    StressWatchdog& operator=(const StressWatchdog&) = delete;

    /// Any thread: step `step` (described by `what`) has finished.
    void beat(long step, const std::string& what);

private:
    void watch(std::stop_token stop);

    const std::chrono::seconds m_hangLimit;
    const std::uint64_t m_seed;
    std::mutex m_lock; // guards the three below, shared with the watching thread
    std::condition_variable_any m_stopWake;
    std::chrono::steady_clock::time_point m_lastBeat;
    long m_step = 0;
    std::string m_what;
    std::jthread m_thread; // last: starts after the members it reads
};

} // namespace testsupport
