// Running a blocking call (an adb run, a web-service question) so that a stop request ends it:
// the call runs on the caller's thread with `stop` as the thread's stop token, so a child
// process it starts is killed and a socket it opens is shut down when the stop comes.
#pragma once

#include "platform/StopScope.h"

#include <optional>
#include <stop_token>

/// The answer of `call()`, or nothing when `stop` was requested before or during the call
/// (a call cut short by the stop answers something partial, which is dropped).
template <typename Call>
auto RunUntilStopped(std::stop_token stop, Call call) -> std::optional<decltype(call())> {
    using Answer = decltype(call());
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    platform::StopScope scope(stop);
    Answer answer = call();
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    return std::optional<Answer>(std::move(answer));
}
