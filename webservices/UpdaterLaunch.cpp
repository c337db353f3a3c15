// Starting the external updater.
#include "UpdaterLaunch.h"

#include <filesystem>
#include <system_error>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace webservices {

bool LaunchUpdater(const std::string& path) {
    if (::access(path.c_str(), X_OK) != 0) {
        return false;
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return false;
    }
    pid_t pid = -1;
    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    const bool started = posix_spawn_file_actions_addchdir_np(&actions, folder.c_str()) == 0 &&
                         posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) {
        return false;
    }
    try {
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    } catch (const std::system_error&) {
        // Without a reaper the ended updater stays a zombie until the program exits, which
        // it is about to do.
    }
    return true;
}

} // namespace webservices
