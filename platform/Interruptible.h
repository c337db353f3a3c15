// Sleeps that end early when a stop is requested (cooperative thread stop).
#pragma once

#include <chrono>
#include <stop_token>

namespace platform {

/// Sleeps for `duration` or until `token` is stopped. Returns false when stopped.
bool SleepFor(std::stop_token token, std::chrono::milliseconds duration);

} // namespace platform
