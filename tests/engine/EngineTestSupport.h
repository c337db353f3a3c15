// Loads the real download_engine.so from the program folder for engine tests and reads its
// task information block.
#pragma once

#include "downloads/CMiniDlLib.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace enginetest {

struct TaskInfo {
    int state = -1;
    int failure = 0;
    int httpStatus = 0;
    int retries = 0;
    std::uint64_t resumedFrom = 0;
    std::uint64_t fileSize = 0;
    std::uint64_t transferred = 0;
    std::uint64_t received = 0;
    std::string name;
};

/// The loaded and initialised engine (loaded once per test process).
const EngineFunctions& Engine();

TaskInfo Query(std::int32_t id);

/// Polls the task every 10 ms until `done` holds or `timeout` passes; the last information.
TaskInfo WaitFor(std::int32_t id, const std::function<bool(const TaskInfo&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30));

/// create_new_task / create_continued_task with the texts of std::strings; the engine's result.
int CreateNew(const std::string& url, const std::string& folder, const std::string& name,
              std::int32_t& id);
int CreateContinued(const std::string& url, const std::string& folder, const std::string& name,
                    std::int32_t& id);

bool Exists(const std::string& path);

} // namespace enginetest
