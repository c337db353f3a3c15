// Starting a thread fails when the system has no thread or stack to give (a process or memory
// limit); std::jthread then throws. Owners that can tell the user, or carry on without the
// thread, start it here and look at the result instead.
#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace platform {

/// A running thread for `body`, or an empty one (not joinable) when none could be had.
std::jthread TryStartThread(std::function<void(std::stop_token)> body);

/// The next `count` calls of TryStartThread fail as they would without a thread to give.
void FailThreadStartsForTesting(int count);

} // namespace platform
