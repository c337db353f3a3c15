// The thin layer over the download engine: loads download_engine.so once per process and
// creates the engine tasks of CKivDownObj objects.
#pragma once

#include "EngineFunctions.h"

#include <string>

class CKivDownObj;

class CMiniDlLib {
public:
    /// The engine's file name in the program folder.
    static constexpr const char* kEngineFileName = "download_engine.so";
    /// Speed limit set after each new task, in KiB/s (in effect: none).
    static constexpr int kNewTaskSpeedLimit = 4194303;

    /// CreateTask / CreateContinuedTask results besides 0 and the engine's own codes.
    static constexpr int kMissingArgument = -1; ///< no URL or folder, or already an engine task
    static constexpr int kFolderNotCreated = -2;
    static constexpr int kNoSlashInUrl = -3;
    static constexpr int kEngineNotLoaded = -4;

    /// Loads the engine at `path` and resolves all 44 entry points, once per process: after a
    /// successful load later calls return true at once; after a failure the next call tries
    /// again. False when the file is missing or lacks an entry point (it is then unloaded).
    static bool LoadEngine(const std::string& path);
    /// The entry points, or null before a successful LoadEngine. Valid for the process's life.
    static const EngineFunctions* Engine();

    /// Calls the engine's init(0) unless this process already did; `called` tells whether this
    /// call did it. 0 or the engine's error.
    static int InitEngineOnce(bool& called);
    /// Calls uninit(); the next InitEngineOnce calls init again.
    static void UninitEngine();

    /// A new engine task for `task`: downloads `url` into `folder` (created when missing)
    /// under the name FileNameFromUrl gives (or the engine's numbered variant of it).
    static int CreateTask(const std::string& folder, CKivDownObj& task, const std::string& url);
    /// An engine task that continues the temporary file of the task's folder and file name.
    static int CreateContinuedTask(CKivDownObj& task, const std::string& url);
};
