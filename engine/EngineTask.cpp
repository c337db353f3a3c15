// The transfer thread of one engine task and its reconnect rules.
#include "EngineTask.h"

#include "HttpTransfer.h"
#include "PartialFile.h"
#include "download_engine.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>

namespace engine {
namespace {

// A server that keeps answering with something that does not continue the file is given up.
constexpr int kMaxRestarts = 2;

template <typename T> void Put(unsigned char* block, std::size_t offset, T value) {
    std::memcpy(block + offset, &value, sizeof value);
}

} // namespace

EngineTask::EngineTask(std::string url, std::string folder, std::string name)
    : m_url(std::move(url)), m_folder(std::move(folder)), m_name(std::move(name)) {
    // A continued task tells what it already has before it is started.
    PartialFile file(m_folder, m_name);
    if (file.open()) {
        m_progress.received = file.size();
        m_progress.fileSize = file.readResumeInfo().totalSize;
    }
}

EngineTask::~EngineTask() {
    stop();
}

int EngineTask::start(TransferSettings settings) {
    std::lock_guard control(m_controlMutex);
    int state = m_progress.state;
    if (state == DE_STATE_FINISHED ||
        (state == DE_STATE_FAILED && m_progress.failure == DE_FAIL_REFUSED)) {
        return DE_ERR_TASK_ENDED; // a refused task's partial file is gone
    }
    if (m_worker.joinable()) {
        if (state == DE_STATE_CONNECTING || state == DE_STATE_DOWNLOADING) {
            return DE_OK;
        }
        m_worker.join(); // ended on its own (failed): run it again
    }
    {
        std::lock_guard lock(m_textMutex);
        settings.cookie = m_cookie;
        settings.referer = m_referer;
    }
    if (m_type == DE_TASK_TYPE_ICON) {
        settings.maxFileSize = DE_ICON_MAX_BYTES;
        settings.requiredMediaType = "image/";
    }
    m_progress.failure = DE_FAIL_NONE;
    m_progress.state = DE_STATE_CONNECTING;
    m_restarts = 0;
    m_retries = 0;
    m_worker = std::jthread([this, settings](std::stop_token stop) { run(stop, settings); });
    return DE_OK;
}

int EngineTask::stop() {
    std::lock_guard control(m_controlMutex);
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
    int state = m_progress.state;
    if (state == DE_STATE_CONNECTING || state == DE_STATE_DOWNLOADING) {
        m_progress.state = DE_STATE_PAUSED;
    }
    return DE_OK;
}

void EngineTask::fillInfo(unsigned char* block) const {
    Put<std::int32_t>(block, DE_INFO_STATE, m_progress.state);
    Put<std::int32_t>(block, DE_INFO_FAILURE, m_progress.failure);
    Put<std::int32_t>(block, DE_INFO_HTTP_STATUS, m_progress.httpStatus);
    Put<std::int32_t>(block, DE_INFO_RETRIES, m_progress.retries);
    Put<std::uint64_t>(block, DE_INFO_RESUMED_FROM, m_progress.resumedFrom);
    Put<std::uint64_t>(block, DE_INFO_FILE_SIZE, m_progress.fileSize);
    Put<std::uint64_t>(block, DE_INFO_TRANSFERRED, m_progress.transferred);
    Put<std::uint64_t>(block, DE_INFO_RECEIVED, m_progress.received);
    std::lock_guard lock(m_textMutex);
    std::size_t length = std::min<std::size_t>(m_name.size(), DE_INFO_NAME_MAX);
    Put<std::int32_t>(block, DE_INFO_NAME_LENGTH, static_cast<std::int32_t>(length));
    std::memcpy(block + DE_INFO_NAME, m_name.data(), length);
    block[DE_INFO_NAME + length] = 0;
}

std::string EngineTask::finalPath() const {
    std::lock_guard lock(m_textMutex);
    return m_folder + m_name;
}

void EngineTask::setCookie(std::string cookie) {
    std::lock_guard lock(m_textMutex);
    m_cookie = std::move(cookie);
}

void EngineTask::setReferer(std::string referer) {
    std::lock_guard lock(m_textMutex);
    m_referer = std::move(referer);
}

bool EngineTask::setType(int type) {
    if (type != DE_TASK_TYPE_DEFAULT && type != DE_TASK_TYPE_ICON) {
        return false;
    }
    m_type = type;
    return true;
}

void EngineTask::fail(int failure) {
    m_progress.failure = failure;
    m_progress.state = DE_STATE_FAILED;
}

void EngineTask::run(std::stop_token stop, TransferSettings settings) {
    std::string name;
    {
        std::lock_guard lock(m_textMutex);
        name = m_name;
    }
    PartialFile file(m_folder, name);
    if (!file.open()) {
        fail(DE_FAIL_WRITE);
        return;
    }
    m_progress.received = file.size();
    m_progress.fileSize = file.readResumeInfo().totalSize;
    for (;;) {
        std::uint64_t before = file.size();
        HttpTransfer transfer(m_url, file, settings, m_progress);
        TransferOutcome outcome = transfer.run(stop);
        if (!handleOutcome(outcome, file, transfer.writeError(), before, settings) ||
            !waitBeforeRetry(
                stop, outcome == TransferOutcome::RestartFromZero ? 0 : settings.retryIntervalMs)) {
            return;
        }
    }
}

bool EngineTask::handleOutcome(TransferOutcome outcome, PartialFile& file, int writeError,
                               std::uint64_t receivedBefore, const TransferSettings& settings) {
    switch (outcome) {
    case TransferOutcome::Completed: {
        int error = file.finish();
        if (error != 0) {
            fail(error == ENOSPC || error == EDQUOT ? DE_FAIL_DISK_FULL : DE_FAIL_RENAME);
            return false;
        }
        {
            std::lock_guard lock(m_textMutex);
            m_name = file.name();
        }
        m_progress.fileSize = file.size();
        m_progress.received = file.size();
        m_progress.state = DE_STATE_FINISHED;
        return false;
    }
    case TransferOutcome::Stopped:
        m_progress.state = DE_STATE_PAUSED;
        return false;
    case TransferOutcome::HttpError:
        fail(DE_FAIL_HTTP_STATUS);
        return false;
    case TransferOutcome::WriteFailed:
        fail(writeError == ENOSPC || writeError == EDQUOT ? DE_FAIL_DISK_FULL : DE_FAIL_WRITE);
        return false;
    case TransferOutcome::BadResponse:
    case TransferOutcome::SetupFailed:
        fail(DE_FAIL_BAD_RESPONSE);
        return false;
    case TransferOutcome::NotAccepted:
        // Nothing of it is kept: a later task of the URL starts afresh.
        PartialFile::RemoveTemp(file.finalPath());
        fail(DE_FAIL_REFUSED);
        return false;
    case TransferOutcome::RestartFromZero:
        if (++m_restarts > kMaxRestarts || file.truncate() != 0) {
            fail(DE_FAIL_BAD_RESPONSE);
            return false;
        }
        m_progress.received = 0;
        return true;
    case TransferOutcome::Refused:
        fail(DE_FAIL_NETWORK);
        return false;
    case TransferOutcome::NoResponse:
        // Keeps trying while the caller waits; its own rule decides when to give up.
        m_progress.state = DE_STATE_CONNECTING;
        return true;
    case TransferOutcome::Broken:
        if (file.size() > receivedBefore) {
            m_retries = 0; // count only consecutive breaks without progress
        }
        if (++m_retries > settings.maxRetries) {
            fail(DE_FAIL_NETWORK);
            return false;
        }
        ++m_progress.retries;
        m_progress.state = DE_STATE_CONNECTING;
        return true;
    }
    return false;
}

bool EngineTask::waitBeforeRetry(std::stop_token stop, int milliseconds) {
    if (milliseconds <= 0) {
        return !stop.stop_requested();
    }
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, std::chrono::milliseconds(milliseconds), [] { return false; });
    if (stop.stop_requested()) {
        m_progress.state = DE_STATE_PAUSED;
        return false;
    }
    return true;
}

} // namespace engine
