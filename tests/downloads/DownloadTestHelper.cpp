// A process that downloads one URL through a database queue, for the tests that kill it or
// fill its disk:
//
//     download_test_helper PROGRAM_FOLDER URL FOLDER [--poll-ms N] [--disk-limit BYTES]
//
// Prints "mode tmpfs|fsize" (with --disk-limit), "progress RECEIVED SIZE" per progress event,
// then "finished PATH" (exit 0) or "failed CODE" / "noconnection" (exit 1). With --disk-limit
// FOLDER becomes a tmpfs of that size in a mount namespace of its own, so writes end with a
// full disk; where that is not allowed, a file-size limit makes the writes fail instead.
#include "downloads/CKivDownQueue.h"
#include "downloads/CMiniDlLib.h"

#include "platform/config/AppPaths.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>

namespace {

struct Context {
    CKivDownObj* task = nullptr;
    std::promise<int> done;
};

void OnEvent(TaskEvent kind, void* user, const TaskEventData& data) {
    auto* context = static_cast<Context*>(user);
    switch (kind) {
    case TaskEvent::Progress:
        std::printf("progress %llu %llu\n", static_cast<unsigned long long>(data.progress.received),
                    static_cast<unsigned long long>(data.progress.fileSize));
        break;
    case TaskEvent::Finished:
        std::printf("finished %.*s\n", static_cast<int>(data.path.size()), data.path.data());
        context->done.set_value(0);
        break;
    case TaskEvent::Failed: {
        std::int32_t code = -1;
        CMiniDlLib::Engine()->get_failure_detail(context->task->TaskId(), &code, nullptr, 0);
        std::printf("failed %d\n", code);
        context->done.set_value(1);
        break;
    }
    case TaskEvent::NoConnection:
        std::printf("noconnection\n");
        context->done.set_value(1);
        break;
    default:
        break;
    }
    std::fflush(stdout);
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out.flush());
}

// A full disk of `bytes` at `folder`, visible to this process only.
bool MountSmallDisk(const std::string& folder, unsigned long long bytes) {
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (unshare(CLONE_NEWNS) != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return false;
        }
        WriteText("/proc/self/setgroups", "deny");
        WriteText("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
        WriteText("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return false;
    }
    std::string options = "size=" + std::to_string(bytes);
    return mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

void LimitDisk(const std::string& folder, unsigned long long bytes) {
    if (!CreateDirectoryPath(folder.c_str())) {
        std::printf("no folder\n");
    }
    if (MountSmallDisk(folder, bytes)) {
        std::printf("mode tmpfs\n");
        return;
    }
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
    rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::printf("mode fsize\n");
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER URL FOLDER [options]\n", argv[0]);
        return 2;
    }
    std::string folder = argv[3];
    for (int i = 4; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        unsigned long long value = 0;
        std::from_chars(argv[i + 1], argv[i + 1] + std::char_traits<char>::length(argv[i + 1]),
                        value);
        if (option == "--poll-ms") {
            CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(value));
        } else if (option == "--disk-limit") {
            LimitDisk(folder, value); // before the first thread: unshare needs a lone thread
        }
    }
    std::fflush(stdout);
    OverrideModuleFolder(argv[1]);
    Context context; // outlives the queue, whose task calls back with it
    std::future<int> result = context.done.get_future();
    CKivDownQueue queue;
    if (int rc = queue.Init(true); rc != 0) {
        std::printf("init %d\n", rc);
        return 1;
    }
    std::string url = argv[2];
    context.task = queue.ContinueTask(url, "", "", false, OnEvent, &context);
    if (context.task == nullptr) {
        context.task = queue.AddNewTask(url, folder, false, OnEvent, &context);
    }
    if (context.task == nullptr) {
        std::printf("notask\n");
        return 1;
    }
    std::printf("task %s\n", context.task->FullPath().c_str());
    std::fflush(stdout);
    if (queue.EnqueueTask(context.task) != 0) {
        std::printf("notask\n");
        return 1;
    }
    return result.get();
}
