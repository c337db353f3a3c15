#include "OutputCollector.h"

#include "ProcessRunner.h"

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

// How often the reader looks at the child's exit state and the deadline while no output
// arrives, and how long it keeps draining once the child has ended.
constexpr std::chrono::milliseconds kPollSlice{50};
constexpr std::chrono::milliseconds kDrainWait{20};

std::chrono::milliseconds sliceUntil(std::optional<Clock::time_point> deadline,
                                     std::chrono::milliseconds slice) {
    if (!deadline) {
        return slice;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
    return std::clamp(left, std::chrono::milliseconds(0), slice);
}

} // namespace

CollectResult CollectOutput(platform::ChildProcess& child,
                            std::optional<Clock::time_point> deadline) {
    CollectResult result;
    char buffer[kCaptureChunkBytes];
    std::size_t total = 0;
    bool childEnded = false;
    while (true) {
        if (deadline && Clock::now() >= *deadline) {
            result.timedOut = true;
            return result;
        }
        auto wait = sliceUntil(deadline, childEnded ? kDrainWait : kPollSlice);
        long n = child.readSome(buffer, sizeof buffer, wait);
        if (n == -2) {
            if (childEnded) {
                break; // ended and drained; only an inheriting daemon could still write
            }
            childEnded = child.hasExited();
            continue;
        }
        if (n <= 0) {
            break; // end of file or read error
        }
        total += static_cast<std::size_t>(n);
        if (total >= kCaptureLimitBytes) {
            break;
        }
        result.text.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}
