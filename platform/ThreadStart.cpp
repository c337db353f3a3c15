#include "ThreadStart.h"

#include <atomic>
#include <system_error>

namespace platform {

namespace {

std::atomic<int> g_failingStarts{0};

bool TakeInjectedFailure() {
    int left = g_failingStarts.load();
    while (left > 0) {
        if (g_failingStarts.compare_exchange_weak(left, left - 1)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::jthread TryStartThread(std::function<void(std::stop_token)> body) {
    if (TakeInjectedFailure()) {
        return {};
    }
    try {
        return std::jthread(std::move(body));
    } catch (const std::system_error&) {
        return {};
    }
}

void FailThreadStartsForTesting(int count) {
    g_failingStarts = count;
}

} // namespace platform
