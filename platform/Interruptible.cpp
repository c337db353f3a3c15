#include "Interruptible.h"

#include <condition_variable>
#include <mutex>

namespace platform {

bool SleepFor(std::stop_token token, std::chrono::milliseconds duration) {
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    // Nothing notifies the variable: only the time or a stop request ends the wait.
    wakeUp.wait_for(lock, token, duration, [] { return false; });
    return !token.stop_requested();
}

} // namespace platform
