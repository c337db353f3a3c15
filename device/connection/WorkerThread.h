// Ending a worker thread from any thread, including from inside the worker itself.
#pragma once

#include <thread>

/// Requests a stop and waits for `thread` to end. Called on `thread` itself, it detaches
/// instead, so the worker must touch nothing but its own locals after any call that can end up
/// here.
inline void StopWorker(std::jthread& thread) {
    if (!thread.joinable()) {
        return;
    }
    thread.request_stop();
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();
    } else {
        thread.join();
    }
}
