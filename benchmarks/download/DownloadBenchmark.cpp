// Throughput of download_engine.so against `curl -o` for the same file from the same local
// server, measured in one run. Prints both, the ratio (engine / curl; the goal is at least
// 0.95) and the CPU time per MiB of each.
//
//     download_benchmark [MIB]      (default 1024, or PENLOW_BENCH_DOWNLOAD_MIB)
//
// The served file is sparse, so it costs neither disk space nor time to make; both downloads
// write every byte to a temporary folder, which is removed at the end.
#include "downloads/CMiniDlLib.h"

#include "FileServer.h"
#include "TempDir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

extern char** environ;

namespace {

constexpr int kRounds = 2;

struct Measurement {
    double seconds = 0;
    double cpuSeconds = 0;
    bool ok = false;
};

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

Measurement RunCurl(const std::string& url, const std::string& target, std::uint64_t size) {
    Measurement m;
    std::string urlCopy = url;
    std::string targetCopy = target;
    char* argv[] = {const_cast<char*>("curl"), const_cast<char*>("-s"), const_cast<char*>("-o"),
                    targetCopy.data(),         urlCopy.data(),          nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0) {
        return m;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.seconds = Since(start);
    m.cpuSeconds = CpuSeconds(usage);
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && FileSize(target) == size;
    return m;
}

Measurement RunEngine(const EngineFunctions& engine, const std::string& url,
                      const std::string& folder, std::uint64_t size) {
    Measurement m;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    auto start = std::chrono::steady_clock::now();
    std::int32_t id = 0;
    if (engine.create_new_task(url.data(), static_cast<std::int32_t>(url.size()), nullptr, 0,
                               "bench", 5, folder.data(), static_cast<std::int32_t>(folder.size()),
                               "engine.bin", 10, &id) != DE_OK ||
        engine.start_task(id) != DE_OK) {
        return m;
    }
    std::int32_t state = DE_STATE_CONNECTING;
    while (state != DE_STATE_FINISHED && state != DE_STATE_FAILED) {
        // The program polls a task once a second; polling more often only costs the benchmark.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        unsigned char info[DE_INFO_SIZE] = {};
        engine.query_task_info(id, info);
        std::memcpy(&state, info + DE_INFO_STATE, sizeof state);
    }
    m.seconds = Since(start);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    m.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
    m.ok = state == DE_STATE_FINISHED && FileSize(folder + "engine.bin") == size;
    engine.delete_task(id);
    return m;
}

std::uint64_t MebibytesWanted(int argc, char* argv[]) {
    const char* text = argc > 1 ? argv[1] : std::getenv("PENLOW_BENCH_DOWNLOAD_MIB");
    std::uint64_t mib = 1024;
    if (text != nullptr) {
        std::from_chars(text, text + std::strlen(text), mib);
    }
    return std::max<std::uint64_t>(mib, 1);
}

void Print(const char* name, const Measurement& m, double mib) {
    std::printf("%-22s %8.1f MiB/s  %7.2f s  CPU %6.3f ms/MiB\n", name, mib / m.seconds, m.seconds,
                1000.0 * m.cpuSeconds / mib);
}

} // namespace

int main(int argc, char* argv[]) {
    std::uint64_t mib = MebibytesWanted(argc, argv);
    std::uint64_t size = mib << 20;
    testsupport::TempDir served;
    testsupport::TempDir target;
    int fd = open(served.file("big.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        std::fprintf(stderr, "cannot make the served file\n");
        return 1;
    }
    close(fd);
    testsupport::FileServer server(served.path());
    const char* programDir = std::getenv("PENLOW_PROGRAM_DIR");
    std::string enginePath =
        std::string(programDir ? programDir : PENLOW_PROGRAM_DIR_AT_BUILD) + "/download_engine.so";
    bool called = false;
    if (!server.ok() || !CMiniDlLib::LoadEngine(enginePath) ||
        CMiniDlLib::InitEngineOnce(called) != 0) {
        std::fprintf(stderr, "cannot start the server or load %s\n", enginePath.c_str());
        return 1;
    }
    const EngineFunctions& engine = *CMiniDlLib::Engine();
    std::string url = server.url("big.bin");
    std::string folder = target.path() + "/";
    Measurement curl;
    Measurement ours;
    for (int round = 0; round < kRounds; ++round) {
        Measurement c = RunCurl(url, folder + "curl.bin", size);
        std::remove((folder + "curl.bin").c_str());
        Measurement e = RunEngine(engine, url, folder, size);
        std::remove((folder + "engine.bin").c_str());
        if (!c.ok || !e.ok) {
            std::fprintf(stderr, "a download failed (curl %d, engine %d)\n", c.ok, e.ok);
            return 1;
        }
        // The best round of each: the machine is shared, the fastest run is the least disturbed.
        if (!curl.ok || c.seconds < curl.seconds) {
            curl = c;
        }
        if (!ours.ok || e.seconds < ours.seconds) {
            ours = e;
        }
    }
    auto mibs = static_cast<double>(mib);
    std::printf("download of %llu MiB from a local server, best of %d rounds\n",
                static_cast<unsigned long long>(mib), kRounds);
    Print("curl -o", curl, mibs);
    Print("download_engine.so", ours, mibs);
    std::printf("ratio engine/curl      %8.3f  (goal >= 0.95)\n", curl.seconds / ours.seconds);
    return 0;
}
