// Loading the download engine and creating its tasks.
#include "CMiniDlLib.h"

#include "BrowserUrl.h"

#include "CKivDownObj.h"
#include "FileNameFromUrl.h"

#include "platform/config/AppPaths.h"
#include "platform/DebugLog.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_engineMutex;
EngineFunctions g_functions;
bool g_loaded = false;      // guarded by g_engineMutex; once true, g_functions never change
bool g_initialised = false; // guarded by g_engineMutex

template <typename T> bool Resolve(void* library, const char* name, T& slot) {
    void* symbol = dlsym(library, name);
    slot = reinterpret_cast<T>(symbol);
    return symbol != nullptr;
}

bool ResolveAll(void* library, EngineFunctions& f) {
    // The order in which the entry points have always been resolved.
#define PENLOW_RESOLVE(name) Resolve(library, #name, f.name)
    return PENLOW_RESOLVE(parse_url) && PENLOW_RESOLVE(is_support_schema) &&
           PENLOW_RESOLVE(url_info_to_str) && PENLOW_RESOLVE(parse_filename) &&
           PENLOW_RESOLVE(is_tempfile_exist) && PENLOW_RESOLVE(delete_tempfile) &&
           PENLOW_RESOLVE(init) && PENLOW_RESOLVE(uninit) && PENLOW_RESOLVE(start_task) &&
           PENLOW_RESOLVE(stop_task) && PENLOW_RESOLVE(create_new_task) &&
           PENLOW_RESOLVE(create_continued_task) && PENLOW_RESOLVE(delete_task) &&
           PENLOW_RESOLVE(query_task_info) && PENLOW_RESOLVE(set_proxy_info) &&
           PENLOW_RESOLVE(get_peer_id) && PENLOW_RESOLVE(set_hub_proxy) &&
           PENLOW_RESOLVE(set_engine_version) && PENLOW_RESOLVE(set_product_flag) &&
           PENLOW_RESOLVE(set_cur_language) && PENLOW_RESOLVE(verify_proxy) &&
           PENLOW_RESOLVE(set_speed_limit) && PENLOW_RESOLVE(cancel_speed_limit) &&
           PENLOW_RESOLVE(set_res_use_strategy) && PENLOW_RESOLVE(set_thread_num) &&
           PENLOW_RESOLVE(set_retry_strategy) && PENLOW_RESOLVE(get_failure_detail) &&
           PENLOW_RESOLVE(notify_hub_deleted) && PENLOW_RESOLVE(notify_hub_moved) &&
           PENLOW_RESOLVE(set_task_type) && PENLOW_RESOLVE(update_datafile) &&
           PENLOW_RESOLVE(query_part_cid) && PENLOW_RESOLVE(get_task_gcid) &&
           PENLOW_RESOLVE(register_client) && PENLOW_RESOLVE(set_res_query_cid) &&
           PENLOW_RESOLVE(set_stat_ref_url) && PENLOW_RESOLVE(set_report_strategy) &&
           PENLOW_RESOLVE(set_upload_speed_limit) && PENLOW_RESOLVE(set_cookie) &&
           PENLOW_RESOLVE(set_complete_file_name) && PENLOW_RESOLVE(set_file_name) &&
           PENLOW_RESOLVE(notify_del_uncomp_task) && PENLOW_RESOLVE(set_product_identifier) &&
           PENLOW_RESOLVE(set_listen_port);
#undef PENLOW_RESOLVE
}

// The tag the engine keeps with a task: the file name and the task object's identity in
// lowercase hexadecimal.
std::string TaskTag(const std::string& fileName, const CKivDownObj& task) {
    char hex[2 * sizeof(std::uintptr_t) + 1] = {};
    auto identity = reinterpret_cast<std::uintptr_t>(&task);
    auto [end, ec] = std::to_chars(hex, hex + sizeof hex - 1, identity, 16);
    return fileName + std::string(hex, ec == std::errc() ? end : hex);
}

std::string WithTrailingSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string EngineFileName(const EngineFunctions& engine, std::int32_t id) {
    unsigned char info[DE_INFO_SIZE] = {};
    if (engine.query_task_info(id, info) != DE_OK) {
        return {};
    }
    std::int32_t length = 0;
    std::memcpy(&length, info + DE_INFO_NAME_LENGTH, sizeof length);
    if (length <= 0 || length > DE_INFO_NAME_MAX) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(info + DE_INFO_NAME),
                       static_cast<std::size_t>(length));
}

} // namespace

bool CMiniDlLib::LoadEngine(const std::string& path) {
    std::lock_guard lock(g_engineMutex);
    if (g_loaded) {
        return true;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    // Local binding: the engine's entry point names stay out of the process's namespace.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return false;
    }
    EngineFunctions functions{};
    if (!ResolveAll(library, functions)) {
        dlclose(library);
        return false;
    }
    g_functions = functions;
    g_loaded = true; // never unloaded: tasks and their threads live in it
    return true;
}

const EngineFunctions* CMiniDlLib::Engine() {
    std::lock_guard lock(g_engineMutex);
    return g_loaded ? &g_functions : nullptr;
}

int CMiniDlLib::InitEngineOnce(bool& called) {
    called = false;
    std::lock_guard lock(g_engineMutex);
    if (!g_loaded) {
        return kEngineNotLoaded;
    }
    if (g_initialised) {
        return 0;
    }
    int rc = g_functions.init(0);
    if (rc == DE_OK) {
        g_initialised = true;
        called = true;
    }
    return rc;
}

void CMiniDlLib::UninitEngine() {
    std::lock_guard lock(g_engineMutex);
    if (g_loaded && g_initialised) {
        g_functions.uninit();
        g_initialised = false;
    }
}

int CMiniDlLib::CreateTask(const std::string& folder, CKivDownObj& task, const std::string& url) {
    const EngineFunctions* engine = Engine();
    if (engine == nullptr) {
        return kEngineNotLoaded;
    }
    if (url.empty() || folder.empty() || task.TaskId() > 0) {
        return kMissingArgument;
    }
    std::string target = WithTrailingSlash(folder);
    task.SetFolder(target);
    if (!CreateDirectoryPath(target.c_str())) {
        return kFolderNotCreated;
    }
    std::optional<std::string> fileName = FileNameFromUrl(url);
    if (!fileName) {
        return kNoSlashInUrl;
    }
    task.SetFileName(*fileName);
    std::string tag = TaskTag(*fileName, task);
    // The engine gets the URL a browser would request; the task keeps the text it was given,
    // which is what the databases know the download by.
    const std::string requested = EncodeUrlAsBrowser(url);
    std::int32_t id = 0;
    int rc =
        engine->create_new_task(requested.data(), static_cast<std::int32_t>(requested.size()),
                                nullptr, 0, tag.data(), static_cast<std::int32_t>(tag.size()),
                                target.data(), static_cast<std::int32_t>(target.size()),
                                fileName->data(), static_cast<std::int32_t>(fileName->size()), &id);
    if (rc != DE_OK) {
        char line[96];
        std::snprintf(line, sizeof line, "CMiniDlLib::CreateTask fail, Error code: %d", rc);
        platform::DebugOutput(line);
        return rc;
    }
    engine->set_speed_limit(kNewTaskSpeedLimit);
    task.SetTaskId(id);
    // The engine may have numbered the name because the file exists: keep the one it uses.
    if (std::string used = EngineFileName(*engine, id); !used.empty()) {
        task.SetFileName(used);
    }
    task.SetUrl(url);
    return 0;
}

int CMiniDlLib::CreateContinuedTask(CKivDownObj& task, const std::string& url) {
    const EngineFunctions* engine = Engine();
    if (engine == nullptr) {
        return kEngineNotLoaded;
    }
    if (url.empty() || task.TaskId() > 0) {
        return kMissingArgument;
    }
    std::string folder = WithTrailingSlash(task.Folder());
    task.SetFolder(folder);
    task.SetUrl(url);
    std::string fileName = task.FileName();
    engine->cancel_speed_limit();
    std::int32_t id = 0;
    const std::string requested = EncodeUrlAsBrowser(url);
    int rc = engine->create_continued_task(
        requested.data(), static_cast<std::int32_t>(requested.size()), nullptr, 0, nullptr, 0,
        folder.data(), static_cast<std::int32_t>(folder.size()), fileName.data(),
        static_cast<std::int32_t>(fileName.size()), &id);
    if (rc != DE_OK) {
        return rc;
    }
    task.SetTaskId(id);
    return 0;
}
