// RunCapture against a bare posix_spawn + read of the same child, in one run. The child prints
// 100 bytes and exits; the figure is the mean wall time per call and their ratio.
#include "device/bridge/ProcessRunner.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kPayload(99, 'p'); // echo adds the line break: 100 bytes

std::string bareSpawnAndRead() {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>("/bin/echo"), const_cast<char*>(kPayload.c_str()), nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return out;
}

template <typename F> double meanMicros(int calls, F&& call) {
    auto begin = Clock::now();
    for (int i = 0; i < calls; ++i) {
        if (call().size() != 100) {
            std::fprintf(stderr, "unexpected output size\n");
        }
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - begin).count() / calls;
}

} // namespace

int main(int argc, char* argv[]) {
    int calls = 300;
    if (argc > 1) {
        std::from_chars(argv[1], argv[1] + std::char_traits<char>::length(argv[1]), calls);
    }
    calls = calls < 5 ? 5 : calls;
    std::string line = "/bin/echo " + kPayload;
    // Warm up both paths, then alternate rounds so that machine noise hits both alike.
    meanMicros(20, [&] { return RunCapture(line); });
    meanMicros(20, bareSpawnAndRead);
    double runner = 0;
    double bare = 0;
    for (int round = 0; round < 5; ++round) {
        runner += meanMicros(calls / 5, [&] { return RunCapture(line); });
        bare += meanMicros(calls / 5, bareSpawnAndRead);
    }
    runner /= 5;
    bare /= 5;
    std::printf("RunCapture:            %8.1f us per call\n", runner);
    std::printf("posix_spawn + read:    %8.1f us per call\n", bare);
    std::printf("overhead ratio:        %8.3f (goal <= 1.2)\n", runner / bare);
    return 0;
}
