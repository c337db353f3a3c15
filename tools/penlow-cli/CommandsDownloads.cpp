// penlow-cli commands of the downloads: one download through a queue with DownData.db (as the
// driver job does it), and a look into both download databases.
#include "CliRegistry.h"

#include "platform/config/AppPaths.h"
#include "downloads/CKivDownQueue.h"
#include "downloads/CMiniDlLib.h"
#include "downloads/DownAppInfoDatabase.h"
#include "platform/SystemPaths.h"

#include <csignal>
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

void PrintFailure(const DownloadRun& run) {
    std::int32_t code = 0;
    char text[64] = "unknown";
    const EngineFunctions* engine = CMiniDlLib::Engine();
    if (engine != nullptr && run.task != nullptr) {
        engine->get_failure_detail(run.task->TaskId(), &code, text, sizeof text);
    }
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
        std::printf("failed: no connection\n");
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
    run.task = queue.ContinueTask(url, "", "", false, OnDownloadEvent, &run);
    if (run.task != nullptr) {
        std::printf("continuing %llu %llu\n", U(run.task->Received()), U(run.task->FileSize()));
    } else {
        run.task = queue.AddNewTask(url, folder, false, OnDownloadEvent, &run);
    }
    if (run.task == nullptr || queue.EnqueueTask(run.task) != 0) {
        std::printf("failed: the download cannot be created\n");
        return 1;
    }
    std::fflush(stdout);
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
    "downloads URL into FOLDER (relative to the program folder), continuing a saved download; "
    "progress lines, the file's path last",
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
