// Starting the external updater.
#include "UpdaterLaunch.h"

#include <filesystem>
#include <cerrno>

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
    // A short-lived shell starts the updater in the background and ends at once, so the
    // updater belongs to the system's reaper rather than to us and nothing has to wait for it.
    pid_t pid = -1;
    std::string shell = "/bin/sh";
    std::string option = "-c";
    std::string script = "\"$0\" </dev/null >/dev/null 2>&1 &";
    std::string program = path;
    char* argv[] = {shell.data(), option.data(), script.data(), program.data(), nullptr};
    const bool started = posix_spawn_file_actions_addchdir_np(&actions, folder.c_str()) == 0 &&
                         posix_spawn(&pid, shell.c_str(), &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace webservices
