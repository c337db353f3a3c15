// The figures of one engine task that its transfer thread writes and query_task_info reads.
#pragma once

#include <atomic>
#include <cstdint>

namespace engine {

/// Written by the task's transfer thread (and by start/stop), read by any thread.
struct TaskProgress {
    std::atomic<int> state{1};      ///< DE_STATE_
    std::atomic<int> failure{0};    ///< DE_FAIL_ of a failed task
    std::atomic<int> httpStatus{0}; ///< status of the last response
    std::atomic<int> retries{0};    ///< reconnections after broken transfers
    std::atomic<std::uint64_t> resumedFrom{0};
    std::atomic<std::uint64_t> fileSize{0}; ///< 0 while unknown
    std::atomic<std::uint64_t> transferred{0};
    std::atomic<std::uint64_t> received{0};
};

} // namespace engine
