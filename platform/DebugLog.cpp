#include "DebugLog.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex& sinkLock() {
    static std::mutex lock;
    return lock;
}

std::function<void(const std::string&)>& sink() {
    static std::function<void(const std::string&)> current;
    return current;
}

} // namespace

void DebugOutput(std::string_view line) {
    std::lock_guard guard(sinkLock());
    if (sink()) {
        sink()(std::string(line));
        return;
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

void SetDebugSinkForTesting(std::function<void(const std::string&)> sink_) {
    std::lock_guard guard(sinkLock());
    sink() = std::move(sink_);
}

} // namespace platform
