// Task table and settings of the engine.
#include "EngineRegistry.h"

#include "EngineTask.h"
#include "download_engine.h"

#include <curl/curl.h>

namespace engine {

EngineRegistry& EngineRegistry::Instance() {
    static EngineRegistry* registry = new EngineRegistry();
    return *registry;
}

int EngineRegistry::init() {
    std::lock_guard lock(m_mutex);
    if (m_initialized) {
        return DE_OK;
    }
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        return DE_ERR_CURL;
    }
    m_initialized = true;
    return DE_OK;
}

int EngineRegistry::uninit() {
    std::map<std::int32_t, std::shared_ptr<EngineTask>> tasks;
    {
        std::lock_guard lock(m_mutex);
        if (!m_initialized) {
            return DE_ERR_NOT_INITIALIZED;
        }
        tasks.swap(m_tasks);
    }
    for (auto& [id, task] : tasks) {
        task->stop();
    }
    tasks.clear();
    std::lock_guard lock(m_mutex);
    m_initialized = false;
    curl_global_cleanup();
    return DE_OK;
}

bool EngineRegistry::initialized() {
    std::lock_guard lock(m_mutex);
    return m_initialized;
}

int EngineRegistry::addTask(std::string url, std::string folder, std::string name,
                            std::int32_t& id) {
    auto task = std::make_shared<EngineTask>(std::move(url), std::move(folder), std::move(name));
    std::lock_guard lock(m_mutex);
    if (!m_initialized) {
        return DE_ERR_NOT_INITIALIZED;
    }
    if (m_tasks.size() >= kMaxTasks || m_nextId == INT32_MAX) {
        return DE_ERR_TOO_MANY_TASKS;
    }
    id = m_nextId++;
    m_tasks.emplace(id, std::move(task));
    return DE_OK;
}

std::shared_ptr<EngineTask> EngineRegistry::find(std::int32_t id) {
    std::lock_guard lock(m_mutex);
    auto it = m_tasks.find(id);
    return it == m_tasks.end() ? nullptr : it->second;
}

bool EngineRegistry::usesPath(const std::string& finalPath) {
    std::lock_guard lock(m_mutex);
    for (const auto& [id, task] : m_tasks) {
        if (task->finalPath() == finalPath) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<EngineTask> EngineRegistry::take(std::int32_t id) {
    std::lock_guard lock(m_mutex);
    auto it = m_tasks.find(id);
    if (it == m_tasks.end()) {
        return nullptr;
    }
    auto task = std::move(it->second);
    m_tasks.erase(it);
    return task;
}

TransferSettings EngineRegistry::settings() {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

void EngineRegistry::setSpeedLimit(std::uint64_t bytesPerSecond) {
    std::lock_guard lock(m_mutex);
    m_settings.maxReceiveBytesPerSecond = bytesPerSecond;
}

void EngineRegistry::setRetryStrategy(int maxRetries, int intervalMs) {
    std::lock_guard lock(m_mutex);
    m_settings.maxRetries = maxRetries;
    m_settings.retryIntervalMs = intervalMs;
}

void EngineRegistry::setProxy(long type, std::string proxy, std::string credentials) {
    std::lock_guard lock(m_mutex);
    m_settings.proxyType = type;
    m_settings.proxy = std::move(proxy);
    m_settings.proxyCredentials = std::move(credentials);
}

} // namespace engine
