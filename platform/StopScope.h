// The stop token of the work a thread is doing, kept per thread so that the blocking calls deep
// inside that work (a child process, a socket) can end on a stop request without every layer in
// between passing the token along. A worker sets it for its body; ChildProcess and
// TcpConnection pick it up when they start.
#pragma once

#include <stop_token>

namespace platform {

/// The current thread's stop token: the innermost StopScope's, or an empty token (one that
/// can never be stopped) outside any.
std::stop_token CurrentStopToken();

/// Makes `token` the current thread's stop token while it lives, then restores the one before.
/// Scopes nest; create and destroy them on the same thread.
class StopScope {
public:
    explicit StopScope(std::stop_token token);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    std::stop_token m_previous;
};

} // namespace platform
