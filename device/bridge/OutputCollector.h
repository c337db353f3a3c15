// Reading a child's merged output with the runners' limits: chunks of at most 4,095 bytes,
// the chunk that would reach 40,960 bytes dropped with everything after it, and an optional
// deadline.
#pragma once

#include "platform/ChildProcess.h"

#include <chrono>
#include <optional>
#include <string>

struct CollectResult {
    std::string text;
    bool timedOut = false;
};

/// Reads until end of file (or until the child has ended and its output is drained, so that
/// a daemon that inherited the pipe cannot hold the caller), the byte cap, or `deadline`.
CollectResult CollectOutput(platform::ChildProcess& child,
                            std::optional<std::chrono::steady_clock::time_point> deadline);
