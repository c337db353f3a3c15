// Entry points of download_engine.so: engine life, tasks and temporary files.
#include "download_engine.h"

#include "ApiArguments.h"
#include "EngineRegistry.h"
#include "EngineTask.h"
#include "PartialFile.h"
#include "StrayPartials.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>

using engine::EngineRegistry;
using engine::TextArgument;

namespace {

constexpr std::size_t kMaxTag = 1024;

bool IsFolder(const std::string& folder) {
    struct stat st;
    return !folder.empty() && folder.back() == '/' && stat(folder.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

int CreateTask(bool continued, const char* url, int32_t urlLen, const char* refUrl,
               int32_t refUrlLen, const char* tag, int32_t tagLen, const char* folder,
               int32_t folderLen, const char* fileName, int32_t fileNameLen, int32_t* taskId) {
    auto urlText = TextArgument(url, urlLen, engine::kMaxUrl);
    auto refText = TextArgument(refUrl, refUrlLen, engine::kMaxUrl);
    auto tagText = TextArgument(tag, tagLen, kMaxTag);
    auto folderText = TextArgument(folder, folderLen, engine::kMaxPath);
    auto nameText = TextArgument(fileName, fileNameLen, engine::kMaxFileName);
    if (!urlText || !refText || !tagText || !folderText || !nameText || taskId == nullptr) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    if (!EngineRegistry::Instance().initialized()) {
        return DE_ERR_NOT_INITIALIZED;
    }
    if (!engine::IsAcceptableUrl(*urlText)) {
        return DE_ERR_UNSUPPORTED_SCHEME;
    }
    std::string folderPath(*folderText);
    if (!engine::IsValidFileName(*nameText)) {
        return DE_ERR_BAD_FILE_NAME;
    }
    if (!IsFolder(folderPath)) {
        return DE_ERR_FOLDER_MISSING;
    }
    std::string name(*nameText);
    // One creation at a time: the sweep must not take a name another creation has just
    // reserved and not yet given its meta file.
    static std::mutex creating;
    std::lock_guard lock(creating);
    if (continued && !engine::PartialFile::TempExists(folderPath + name)) {
        return DE_ERR_NO_TEMPFILE;
    }
    const std::string continuedPath = continued ? folderPath + name : std::string();
    engine::RemoveStrayPartials(folderPath, *urlText, name, [&](const std::string& path) {
        return path == continuedPath || EngineRegistry::Instance().usesPath(path);
    });
    if (!continued) {
        if (int rc = engine::PartialFile::ReserveName(folderPath, std::string(*nameText), name);
            rc != DE_OK) {
            return rc;
        }
        // The partial file says whose it is from its first byte on, so that a process killed
        // before any answer still leaves nothing unknown behind.
        engine::PartialFile(folderPath, name).writeResumeInfo({std::string(*urlText), 0, {}});
    }
    int32_t id = 0;
    int rc = EngineRegistry::Instance().addTask(std::string(*urlText), folderPath, name, id);
    if (rc != DE_OK) {
        if (!continued) {
            engine::PartialFile::RemoveTemp(folderPath + name);
        }
        return rc;
    }
    if (!refText->empty()) {
        EngineRegistry::Instance().find(id)->setReferer(std::string(*refText));
    }
    *taskId = id;
    return DE_OK;
}

} // namespace

extern "C" {

int init(int32_t flags) {
    if (flags != 0) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    return EngineRegistry::Instance().init();
}

int uninit(void) {
    return EngineRegistry::Instance().uninit();
}

int create_new_task(const char* url, int32_t url_len, const char* ref_url, int32_t ref_url_len,
                    const char* tag, int32_t tag_len, const char* folder, int32_t folder_len,
                    const char* file_name, int32_t file_name_len, int32_t* task_id) {
    return CreateTask(false, url, url_len, ref_url, ref_url_len, tag, tag_len, folder, folder_len,
                      file_name, file_name_len, task_id);
}

int create_continued_task(const char* url, int32_t url_len, const char* ref_url,
                          int32_t ref_url_len, const char* tag, int32_t tag_len, const char* folder,
                          int32_t folder_len, const char* file_name, int32_t file_name_len,
                          int32_t* task_id) {
    return CreateTask(true, url, url_len, ref_url, ref_url_len, tag, tag_len, folder, folder_len,
                      file_name, file_name_len, task_id);
}

int start_task(int32_t task_id) {
    auto task = EngineRegistry::Instance().find(task_id);
    if (!task) {
        return DE_ERR_NO_SUCH_TASK;
    }
    return task->start(EngineRegistry::Instance().settings());
}

int stop_task(int32_t task_id) {
    auto task = EngineRegistry::Instance().find(task_id);
    return task ? task->stop() : DE_ERR_NO_SUCH_TASK;
}

int delete_task(int32_t task_id) {
    auto task = EngineRegistry::Instance().take(task_id);
    if (!task) {
        return DE_ERR_NO_SUCH_TASK;
    }
    task->stop();
    engine::PartialFile::RemoveTempIfEmpty(task->finalPath());
    return DE_OK;
}

int query_task_info(int32_t task_id, void* info) {
    if (info == nullptr) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    auto task = EngineRegistry::Instance().find(task_id);
    if (!task) {
        return DE_ERR_NO_SUCH_TASK;
    }
    task->fillInfo(static_cast<unsigned char*>(info));
    return DE_OK;
}

int is_tempfile_exist(const char* path, int32_t path_len) {
    auto text = TextArgument(path, path_len, engine::kMaxPath);
    return text && !text->empty() && engine::PartialFile::TempExists(std::string(*text)) ? 1 : 0;
}

int delete_tempfile(const char* path, int32_t path_len) {
    auto text = TextArgument(path, path_len, engine::kMaxPath);
    if (!text || text->empty()) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    return engine::PartialFile::RemoveTemp(std::string(*text)) ? DE_OK : DE_ERR_FILE_IO;
}

int notify_del_uncomp_task(const char* path, int32_t path_len) {
    return delete_tempfile(path, path_len);
}

int set_speed_limit(int32_t kib_per_second) {
    if (kib_per_second < 0) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    EngineRegistry::Instance().setSpeedLimit(static_cast<std::uint64_t>(kib_per_second) * 1024);
    return DE_OK;
}

int cancel_speed_limit(void) {
    EngineRegistry::Instance().setSpeedLimit(0);
    return DE_OK;
}

int set_retry_strategy(int32_t max_retries, int32_t interval_ms) {
    if (max_retries < 0 || interval_ms < 0 || interval_ms > 600000) {
        return DE_ERR_INVALID_ARGUMENT;
    }
    EngineRegistry::Instance().setRetryStrategy(max_retries, interval_ms);
    return DE_OK;
}

int set_task_type(int32_t task_id, int32_t type) {
    auto task = EngineRegistry::Instance().find(task_id);
    if (!task) {
        return DE_ERR_NO_SUCH_TASK;
    }
    return task->setType(type) ? DE_OK : DE_ERR_INVALID_ARGUMENT;
}

int get_failure_detail(int32_t task_id, int32_t* code, char* text, int32_t text_size) {
    auto task = EngineRegistry::Instance().find(task_id);
    if (!task) {
        return DE_ERR_NO_SUCH_TASK;
    }
    static const char* const kTexts[] = {
        "none",          "error status from the server",
        "network error", "disk full",
        "write error",   "unexpected server response",
        "rename failed", "file not accepted: too large or not the expected type"};
    int failure = task->failure();
    if (code != nullptr) {
        *code = failure;
    }
    if (text != nullptr && failure >= 0 && failure <= DE_FAIL_REFUSED &&
        !engine::CopyOut(kTexts[failure], text, text_size)) {
        return DE_ERR_BUFFER_TOO_SMALL;
    }
    return DE_OK;
}

} // extern "C"
