// penlow-cli commands of the downloads: one download through a queue with DownData.db (as the
// driver job does it), and a look into both download databases.
#include "CliRegistry.h"

#include "platform/config/AppPaths.h"
#include "downloads/CKivDownQueue.h"
#include "downloads/CMiniDlLib.h"
#include "downloads/DownAppInfoDatabase.h"
#include "platform/SystemPaths.h"

#include <csignal>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <future>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
}

struct DownloadRun {
    CKivDownObj* task = nullptr;
    std::promise<int> done;
};

unsigned long long U(std::uint64_t value) {
    return static_cast<unsigned long long>(value);
}

// Why the download ended, as a user can act on it: the engine's failure with the server's
// status, or the stall the task gave up on while the engine still waited for bytes.
void PrintFailure(const DownloadRun& run) {
    const EngineFunctions* engine = CMiniDlLib::Engine();
    std::int32_t id = run.task != nullptr ? run.task->TaskId() : -1;
    unsigned char info[DE_INFO_SIZE] = {};
    if (engine == nullptr || id <= 0 || engine->query_task_info(id, info) != DE_OK) {
        std::printf("failed: unknown\n");
        return;
    }
    std::int32_t failure = 0;
    std::int32_t status = 0;
    std::memcpy(&failure, info + DE_INFO_FAILURE, sizeof failure);
    std::memcpy(&status, info + DE_INFO_HTTP_STATUS, sizeof status);
    if (failure == DE_FAIL_NONE) {
        std::printf("failed: stalled, no data for %d seconds\n", CKivDownObj::kStallPolls);
        return;
    }
    if (failure == DE_FAIL_HTTP_STATUS) {
        std::printf("failed: HTTP status %d\n", status);
        return;
    }
    char text[64] = "unknown";
    std::int32_t code = 0;
    engine->get_failure_detail(id, &code, text, sizeof text);
    std::printf("failed: %s\n", text);
}

void OnDownloadEvent(TaskEvent kind, void* user, const TaskEventData& data) {
    auto* run = static_cast<DownloadRun*>(user);
    switch (kind) {
    case TaskEvent::Connecting:
        std::printf("connecting\n");
        break;
    case TaskEvent::Progress:
        std::printf("progress %llu %llu %llu\n", U(data.progress.received),
                    U(data.progress.fileSize), U(data.progress.transferred));
        break;
    case TaskEvent::Paused:
        std::printf("paused\n");
        break;
    case TaskEvent::Finished:
        std::printf("%.*s\n", static_cast<int>(data.path.size()), data.path.data());
        run->done.set_value(0);
        break;
    case TaskEvent::Failed:
        PrintFailure(*run);
        run->done.set_value(1);
        break;
    case TaskEvent::NoConnection:
        std::printf("failed: no connection to the server\n");
        run->done.set_value(1);
        break;
    case TaskEvent::EngineState1:
        break;
    }
    std::fflush(stdout);
}

// The folder as an absolute path ending in '/': the same folder always gives the same text,
// which is what the saved rows are looked up by. Relative folders are taken inside the working
// directory, the program folder.
std::string WithSlash(const std::string& folder) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(folder, ec).lexically_normal().string();
    if (ec) {
        path = folder;
    }
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

// Waits for the end of the download; an interruption leaves it to the queue's shutdown, which
// saves the progress for the next run.
int WaitForDownload(std::future<int>& result) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    while (result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (g_interrupted != 0) {
            std::printf("interrupted\n");
            return 1;
        }
    }
    return result.get();
}

int download(const CliArgs& args) {
    if (args.size() != 2) {
        return CliUsageError("download URL FOLDER");
    }
    const std::string& url = args[0];
    std::string folder = WithSlash(args[1]);
    DownloadRun run; // outlives the queue, whose tasks call back with it
    std::future<int> result = run.done.get_future();
    CKivDownQueue queue;
    if (int rc = queue.Init(true); rc != 0) {
        std::printf("failed: queue not initialised (%d)\n", rc);
        return 1;
    }
    if (auto finished = queue.FindFinished(url, folder)) {
        std::printf("%s\n", finished->c_str());
        return 0;
    }
    // A saved download of the URL into another folder gives way: FOLDER is where it goes.
    if (auto saved = queue.FindContinuable(url);
        saved && saved->substr(0, saved->rfind('/') + 1) != folder) {
        queue.ForgetSaved(url);
    }
    run.task = queue.ContinueTask(url, "", "", false, OnDownloadEvent, &run);
    if (run.task != nullptr) {
        std::printf("continuing %llu %llu\n", U(run.task->Received()), U(run.task->FileSize()));
    } else {
        run.task = queue.AddNewTask(url, folder, false, OnDownloadEvent, &run);
    }
    if (run.task == nullptr) {
        std::printf("failed: the download cannot be created\n");
        return 1;
    }
    std::printf("saving to %s\n", run.task->FullPath().c_str());
    std::fflush(stdout);
    if (queue.EnqueueTask(run.task) != 0) {
        std::printf("failed: the download cannot be started\n");
        return 1;
    }
    return WaitForDownload(result);
}

bool DatabasePath(const char* fileName, std::string& path) {
    return BuildAppPath(fileName, "data", true, path) && platform::IsRegularFile(path);
}

int downloadList(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("download-list");
    }
    std::string path;
    DownDataDatabase db;
    if (!DatabasePath("DownData.db", path) || db.openFile(path) != 0) {
        return 0; // no database: nothing downloaded yet
    }
    for (const DownloadingRow& row : db.listDownloading()) {
        std::printf("downloading\t%s\t%s%s\t%llu\t%llu\n", row.url.c_str(),
                    row.saved.folder.c_str(), row.saved.fileName.c_str(), U(row.saved.received),
                    U(row.saved.fileSize));
    }
    for (const DownloadedRow& row : db.listDownloaded()) {
        std::printf("downloaded\t%lld\t%s\t%s%s\t%llu\n", static_cast<long long>(row.id),
                    row.url.c_str(), row.saved.folder.c_str(), row.saved.fileName.c_str(),
                    U(row.saved.fileSize));
    }
    return 0;
}

int downloadFind(const CliArgs& args) {
    if (args.size() != 2) {
        return CliUsageError("download-find URL FOLDER");
    }
    std::string path;
    DownDataDatabase db;
    if (!DatabasePath("DownData.db", path) || db.openFile(path) != 0) {
        return 1;
    }
    auto found = db.findFinished(args[0], WithSlash(args[1]));
    if (!found) {
        return 1;
    }
    std::printf("%s\n", found->c_str());
    return 0;
}

int appDownloads(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("app-downloads");
    }
    std::string path;
    DownAppInfoDatabase db;
    if (!DatabasePath("DownAppInfo.db", path) || db.openFile(path) != 0) {
        return 0;
    }
    for (const AppDownloadingRow& row : db.restoreUnfinished().apps) {
        std::printf("downloading\t%s\t%s\t%s\t%s%s\t%llu\t%llu\n", row.app.url.c_str(),
                    row.app.name.c_str(), row.app.ver.c_str(), row.saved.folder.c_str(),
                    row.saved.fileName.c_str(), U(row.saved.received), U(row.saved.fileSize));
    }
    for (const AppDownloadedRow& row : db.listFinished()) {
        std::printf("downloaded\t%lld\t%s\t%s\t%s\t%s\t%llu\n", static_cast<long long>(row.id),
                    row.app.url.c_str(), row.app.name.c_str(), row.app.ver.c_str(),
                    row.path().c_str(), U(row.fileSize));
    }
    for (const IconDownloadedRow& row : db.listIcons()) {
        std::printf("icon\t%s\t%s\t%s\n", row.appUrl.c_str(), row.appVer.c_str(),
                    row.path().c_str());
    }
    return 0;
}

const CliRegistration kDownload{
    "download", "download URL FOLDER",
    "downloads URL into FOLDER (relative to the program folder), continuing a saved download "
    "of URL in FOLDER; \"saving to PATH\", progress lines, the file's path last or "
    "\"failed: REASON\"",
    download};
const CliRegistration kDownloadList{"download-list", "download-list",
                                    "rows of data/DownData.db: unfinished, then finished",
                                    downloadList};
const CliRegistration kDownloadFind{"download-find", "download-find URL FOLDER",
                                    "the finished download of URL in FOLDER, if its file exists",
                                    downloadFind};
const CliRegistration kAppDownloads{"app-downloads", "app-downloads",
                                    "rows of data/DownAppInfo.db: unfinished, finished, icons",
                                    appDownloads};

} // namespace
