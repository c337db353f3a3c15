// The engine's process-wide state: whether init ran, the task table and the settings that new
// transfers copy. Every entry point goes through it.
#pragma once

#include "TransferSettings.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace engine {

class EngineTask;

class EngineRegistry {
public:
    /// Most tasks that may exist at a time.
    static constexpr std::size_t kMaxTasks = 1024;

    /// The one registry of the process. Never destroyed, so that callers' own exit-time
    /// clean-up can still stop their tasks.
    static EngineRegistry& Instance();

    int init();
    int uninit();
    bool initialized();

    /// Creates a task for the temporary file of folder + name (already there). DE_ code.
    int addTask(std::string url, std::string folder, std::string name, std::int32_t& id);
    /// The task, or null for an unknown id.
    std::shared_ptr<EngineTask> find(std::int32_t id);
    /// True when a task of the table writes the temporary file of `finalPath`.
    bool usesPath(const std::string& finalPath);
    /// Removes the task from the table; the caller stops it.
    std::shared_ptr<EngineTask> take(std::int32_t id);

    TransferSettings settings();
    void setSpeedLimit(std::uint64_t bytesPerSecond);
    void setRetryStrategy(int maxRetries, int intervalMs);
    void setProxy(long type, std::string proxy, std::string credentials);

private:
    EngineRegistry() = default;

    std::mutex m_mutex; // guards everything below; any thread
    bool m_initialized = false;
    std::int32_t m_nextId = 1;
    std::map<std::int32_t, std::shared_ptr<EngineTask>> m_tasks;
    TransferSettings m_settings;
};

} // namespace engine
