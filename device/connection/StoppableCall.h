// Waiting for a blocking call (an adb run, a web-service question) without letting it hold up
// a stop request: the call runs on a detached thread and the caller waits for its answer or
// for the stop, whichever comes first. A call given up on runs to its end unobserved; it must
// therefore own everything it uses (capture values, never `this`).
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>

/// The answer of `call()`, or nothing when `stop` was requested first (also when it was
/// requested before the call). When no thread can be had the call runs on the caller's thread.
template <typename Call>
auto RunUntilStopped(std::stop_token stop, Call call) -> std::optional<decltype(call())> {
    using Answer = decltype(call());
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    struct Shared {
        std::mutex lock;
        std::condition_variable_any done;
        std::optional<Answer> answer; // guarded by lock
    };
    auto shared = std::make_shared<Shared>();
    auto work = std::make_shared<Call>(std::move(call));
    try {
        std::thread([shared, work] {
            Answer answer = (*work)();
            std::lock_guard guard(shared->lock);
            shared->answer.emplace(std::move(answer));
            shared->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return std::optional<Answer>((*work)());
    }
    std::unique_lock guard(shared->lock);
    if (!shared->done.wait(guard, stop, [&] { return shared->answer.has_value(); })) {
        return std::nullopt;
    }
    return std::move(shared->answer);
}
