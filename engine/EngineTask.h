// One download task of the engine: its URL, folder and file name, the transfer thread that
// runs HttpTransfer attempts (reconnecting and resuming as the retry strategy allows), and the
// figures query_task_info reports.
#pragma once

#include "TaskProgress.h"
#include "TransferSettings.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace engine {

class PartialFile;
enum class TransferOutcome;

class EngineTask {
public:
    /// The temporary file of folder + name must exist (reserved or left by an earlier task).
    EngineTask(std::string url, std::string folder, std::string name);
    /// Stops the transfer thread and waits for it.
    ~EngineTask();
    EngineTask(const EngineTask&) = delete;
    EngineTask& operator=(const EngineTask&) = delete;

    /// Starts the transfer thread with `settings` (the task's own cookie and referer are
    /// added). DE_OK when it runs already; DE_ERR_TASK_ENDED once finished.
    int start(TransferSettings settings);
    /// Stops the transfer thread and waits for it; a running task becomes paused.
    int stop();
    /// Fills the DE_INFO_SIZE-byte block (the caller zeroed it).
    void fillInfo(unsigned char* block) const;
    int failure() const { return m_progress.failure; }
    std::string finalPath() const;
    void setCookie(std::string cookie);
    void setReferer(std::string referer);
    /// DE_TASK_TYPE_ of the transfers started afterwards; false for an unknown type.
    [[nodiscard]] bool setType(int type);

private:
    void run(std::stop_token stop, TransferSettings settings);
    /// Acts on one attempt's outcome; true when the thread should try again.
    bool handleOutcome(TransferOutcome outcome, PartialFile& file, int writeError,
                       std::uint64_t receivedBefore, const TransferSettings& settings);
    bool waitBeforeRetry(std::stop_token stop, int milliseconds);
    void fail(int failure);

    const std::string m_url;
    const std::string m_folder;
    TaskProgress m_progress;        // written by the transfer thread, read by any thread
    mutable std::mutex m_textMutex; // guards m_name, m_cookie, m_referer
    std::string m_name;             // changes when the finished file needs a numbered name
    std::string m_cookie;
    std::string m_referer;
    std::atomic<int> m_type{0}; // DE_TASK_TYPE_; any thread
    std::mutex m_controlMutex;  // serialises start and stop (guards m_worker)
    std::jthread m_worker;
    int m_restarts = 0; // transfer thread only
    int m_retries = 0;  // transfer thread only
};

} // namespace engine
