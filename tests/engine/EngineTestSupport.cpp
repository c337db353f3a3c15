#include "EngineTestSupport.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace enginetest {

const EngineFunctions& Engine() {
    static const EngineFunctions* engine = [] {
        const char* folder = std::getenv("PENLOW_PROGRAM_DIR");
        std::string path = std::string(folder ? folder : ".") + "/download_engine.so";
        bool called = false;
        if (!CMiniDlLib::LoadEngine(path) || CMiniDlLib::InitEngineOnce(called) != 0) {
            std::fprintf(stderr, "cannot load %s\n", path.c_str());
            std::abort();
        }
        return CMiniDlLib::Engine();
    }();
    return *engine;
}

TaskInfo Query(std::int32_t id) {
    unsigned char block[DE_INFO_SIZE] = {};
    TaskInfo info;
    if (Engine().query_task_info(id, block) != DE_OK) {
        return info;
    }
    auto get32 = [&](std::size_t offset) {
        std::int32_t v;
        std::memcpy(&v, block + offset, sizeof v);
        return v;
    };
    auto get64 = [&](std::size_t offset) {
        std::uint64_t v;
        std::memcpy(&v, block + offset, sizeof v);
        return v;
    };
    info.state = get32(DE_INFO_STATE);
    info.failure = get32(DE_INFO_FAILURE);
    info.httpStatus = get32(DE_INFO_HTTP_STATUS);
    info.retries = get32(DE_INFO_RETRIES);
    info.resumedFrom = get64(DE_INFO_RESUMED_FROM);
    info.fileSize = get64(DE_INFO_FILE_SIZE);
    info.transferred = get64(DE_INFO_TRANSFERRED);
    info.received = get64(DE_INFO_RECEIVED);
    info.name.assign(reinterpret_cast<const char*>(block + DE_INFO_NAME),
                     static_cast<std::size_t>(get32(DE_INFO_NAME_LENGTH)));
    return info;
}

TaskInfo WaitFor(std::int32_t id, const std::function<bool(const TaskInfo&)>& done,
                 std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    TaskInfo info = Query(id);
    while (!done(info) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        info = Query(id);
    }
    return info;
}

namespace {

int Create(bool continued, const std::string& url, const std::string& folder,
           const std::string& name, std::int32_t& id) {
    auto create = continued ? Engine().create_continued_task : Engine().create_new_task;
    return create(url.data(), static_cast<std::int32_t>(url.size()), nullptr, 0, "tag", 3,
                  folder.data(), static_cast<std::int32_t>(folder.size()), name.data(),
                  static_cast<std::int32_t>(name.size()), &id);
}

} // namespace

int CreateNew(const std::string& url, const std::string& folder, const std::string& name,
              std::int32_t& id) {
    return Create(false, url, folder, name, id);
}

int CreateContinued(const std::string& url, const std::string& folder, const std::string& name,
                    std::int32_t& id) {
    return Create(true, url, folder, name, id);
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace enginetest
