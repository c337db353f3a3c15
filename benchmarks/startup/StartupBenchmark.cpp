// Start-up benchmark: time from process start to the main window's first paint, and the
// resident memory once it shows, for Penlow (background-login mode) with its embedded
// browsers created, for Penlow without a browser (PENLOW_NO_BROWSER_FOR_TESTING=1) and for a
// bare Qt window, measured in the same run. The web engine runs helper processes: the memory
// of Penlow is also given for its whole process tree (counted) two seconds after the first
// paint. Prints medians and the ratios.
//
//   bench_startup [runs]      (default 7; without a display the offscreen platform is used,
//                              e.g. `xvfb-run -a bench_startup` measures on X11)
#include "platform/ChildProcess.h"

#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Sample {
    double millis = 0;
    long rssKb = 0;
    long treeRssKb = 0; // the process and its descendants, settled
    int processes = 0;
};

// Parent pid from /proc/<pid>/stat (the field after the parenthesised name).
pid_t ParentOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos || close + 4 > text.size()) {
        return -1;
    }
    return static_cast<pid_t>(std::strtol(text.c_str() + close + 4, nullptr, 10));
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Total resident memory of `root` and every process below it, and how many there are.
std::pair<long, int> TreeResidentKb(pid_t root) {
    std::vector<pid_t> tree = {root};
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            const pid_t pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
            if (std::find(tree.begin(), tree.end(), pid) == tree.end() &&
                std::find(tree.begin(), tree.end(), ParentOf(pid)) != tree.end()) {
                tree.push_back(pid);
                grew = true;
            }
        }
    }
    long total = 0;
    for (pid_t pid : tree) {
        total += std::max(0L, ResidentKb(pid));
    }
    return {total, static_cast<int>(tree.size())};
}

// Runs `argv` until it prints `marker`, then measures and ends it (it is our own child).
std::optional<Sample> Measure(const std::vector<std::string>& argv, const std::string& marker) {
    // The program's own helper processes (the web engine's) end with it.
    platform::ChildProcess child;
    const auto started = Clock::now();
    if (!child.start(argv, true)) {
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    std::optional<Sample> sample;
    while (Clock::now() - started < std::chrono::seconds(30)) {
        const long n = child.readSome(buffer, sizeof buffer, std::chrono::milliseconds(100));
        if (n == 0 || n == -1) {
            break;
        }
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
            if (output.find(marker) != std::string::npos) {
                const auto painted = Clock::now();
                sample =
                    Sample{std::chrono::duration<double, std::milli>(painted - started).count(),
                           ResidentKb(child.pid())};
                std::this_thread::sleep_for(std::chrono::seconds(2));
                std::tie(sample->treeRssKb, sample->processes) = TreeResidentKb(child.pid());
                break;
            }
        }
    }
    ::kill(child.pid(), SIGTERM);
    child.wait();
    if (!sample) {
        std::fprintf(stderr, "no \"%s\" from %s:\n%s\n", marker.c_str(), argv[0].c_str(),
                     output.c_str());
    }
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A program folder of its own: a copy of the executable, links to the generated pictures,
// and a Config.ini that skips the login dialog.
fs::path PrepareProgramFolder(const fs::path& built) {
    const fs::path dir = fs::temp_directory_path() / ("penlow-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir / "data");
    fs::copy_file(built / "Penlow", dir / "PenlowBench", fs::copy_options::overwrite_existing);
    for (const char* name : {"skins", "logo.png", "logo.ico", "bin"}) {
        std::error_code ignored;
        fs::create_symlink(built / name, dir / name, ignored);
    }
    std::ofstream(dir / "data" / "Config.ini")
        << "[Application]\ndisuser=disuser\nappname=Penlow\n\n[WebService]\nhost=127.0.0.1\nport="
           "9\n";
    return dir;
}

} // namespace

int main(int argc, char* argv[]) {
    int runs = 7;
    if (argc > 1) {
        std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), runs);
        runs = std::max(1, runs);
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    setenv("PENLOW_LOGIN_PORT", "9", 0); // the background login fails at once (discard port)
    const fs::path dir = PrepareProgramFolder(PENLOW_PROGRAM_DIR_FOR_BENCHMARK);

    std::vector<double> penlowMs, bareMs, penlowRss, bareRss, plainMs, plainRss, treeRss,
        plainTreeRss;
    int processes = 0;
    const std::string start = "cd '" + dir.string() + "' && exec ./PenlowBench";
    for (int i = 0; i < runs; ++i) {
        // Alternate so that all see the same machine load.
        const auto penlow = Measure({"/bin/sh", "-c", start}, "CKivOrviaDlg: first paint");
        const auto plain = Measure({"/bin/sh", "-c", "PENLOW_NO_BROWSER_FOR_TESTING=1 " + start},
                                   "CKivOrviaDlg: first paint");
        const auto bare = Measure({PENLOW_BARE_WINDOW_FOR_BENCHMARK}, "BareWindow: first paint");
        if (!penlow || !plain || !bare) {
            fs::remove_all(dir);
            return 1;
        }
        penlowMs.push_back(penlow->millis);
        plainMs.push_back(plain->millis);
        bareMs.push_back(bare->millis);
        penlowRss.push_back(penlow->rssKb / 1024.0);
        plainRss.push_back(plain->rssKb / 1024.0);
        bareRss.push_back(bare->rssKb / 1024.0);
        treeRss.push_back(penlow->treeRssKb / 1024.0);
        plainTreeRss.push_back(plain->treeRssKb / 1024.0);
        processes = std::max(processes, penlow->processes);
    }
    fs::remove_all(dir);
    const double pm = Median(penlowMs), bm = Median(bareMs);
    const double pr = Median(penlowRss), br = Median(bareRss);
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    std::printf("start to first paint, median of %d runs (platform %s):\n", runs,
                platformName ? platformName : "default");
    std::printf("  Penlow main window   %8.1f ms   RSS %7.1f MB\n", pm, pr);
    std::printf("  bare Qt window       %8.1f ms   RSS %7.1f MB\n", bm, br);
    std::printf("  ratio Penlow / bare  %8.2f      RSS %7.2f\n", pm / bm, pr / br);
    const double qm = Median(plainMs), qr = Median(plainRss);
    const double tr = Median(treeRss), qt = Median(plainTreeRss);
    std::printf("  Penlow, no browser   %8.1f ms   RSS %7.1f MB\n", qm, qr);
    std::printf("  ratio with / without browser %6.2f   RSS %7.2f\n", pm / qm, pr / qr);
    std::printf("  all processes 2 s after first paint: with browser %.1f MB in %d processes "
                "(the shell and the web engine's helpers), without %.1f MB\n",
                tr, processes, qt);
    std::printf("  goal: first paint with the browsers under 600 ms -> %s\n",
                pm < 600 ? "met" : "NOT met");
    return 0;
}
