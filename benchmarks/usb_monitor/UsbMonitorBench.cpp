// The USB watcher's cost and speed on a fixture sysfs tree.
//
//     bench_usb_monitor [--seconds N] [--plugs N]      (defaults: 60 seconds, 50 plugs)
//
// CPU: the watcher runs for N seconds over 20 present devices (3 phones, 17 other devices)
// while an idle thread sleeps in the same 300 ms rhythm; both measure their own thread CPU
// time. Latency: a phone is plugged and unplugged N times; the time from the rename that makes
// it appear to the Arrived event, against the same time for a bare loop that only checks the
// folder's existence every 300 ms.
#include "device/connection/DeviceTable.h"
#include "device/connection/KnownPhoneDb.h"
#include "device/connection/PhoneWebServices.h"
#include "device/connection/UsbWatcher.h"

#include "platform/Interruptible.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// No network in a benchmark: every pair outside the file is "not a phone".
class OfflineWebServices : public PhoneWebServices {
public:
    PhoneAnswer confirmPhone(const std::string&, const std::string&, std::stop_token) override {
        return PhoneAnswer::NotPhone;
    }
    void reportMachineEvent(const std::string&, const std::string&, int) override {}
};

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text << "\n";
}

struct Fixture {
    fs::path root;
    fs::path devices;
    std::string db;

    Fixture() {
        std::string pattern = (fs::temp_directory_path() / "penlow-bench-XXXXXX").string();
        root = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
        devices = root / "bus/usb/devices";
        fs::create_directories(devices);
        db = (root / "arginfo.dat").string();
        KnownPhoneDb file;
        if (!file.create(db) || !file.insert("4EE2", "18D1")) {
            std::fprintf(stderr, "cannot create %s\n", db.c_str());
        }
    }
    ~Fixture() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void plug(const std::string& port, const std::string& vid, const std::string& pid) const {
        const fs::path staging = root / (".staging-" + port);
        fs::create_directories(staging);
        writeText(staging / "idVendor", vid);
        writeText(staging / "idProduct", pid);
        fs::rename(staging, devices / port);
    }
    void unplug(const std::string& port) const {
        const fs::path gone = root / (".gone-" + port);
        fs::rename(devices / port, gone);
        fs::remove_all(gone);
    }
};

// Two root hubs, a hub, keyboard, mice, webcam, Bluetooth, card reader, storage and other
// peripherals, and three phones (Samsung, a Google pair from the file, Huawei).
void plugTwentyDevices(const Fixture& fixture) {
    const char* devices[][3] = {
        {"usb1", "1d6b", "0002"},  {"usb2", "1d6b", "0003"},  {"1-1", "05e3", "0610"},
        {"1-1.1", "046d", "c077"}, {"1-1.2", "046d", "c31c"}, {"1-1.3", "0bda", "5411"},
        {"1-2", "8087", "0a2b"},   {"1-3", "0bda", "0129"},   {"1-4", "0781", "5567"},
        {"1-5", "04f2", "b604"},   {"1-6", "1050", "0407"},   {"1-7", "0951", "1666"},
        {"1-8", "045e", "07a5"},   {"1-9", "1a86", "7523"},   {"1-10", "0403", "6001"},
        {"1-11", "2109", "2813"},  {"1-12", "04e8", "6860"},  {"1-13", "18d1", "4ee2"},
        {"1-14", "12d1", "1038"},  {"2-1", "174c", "55aa"},
    };
    for (const auto& device : devices) {
        fixture.plug(device[0], device[1], device[2]);
    }
}

void measureCpu(int seconds) {
    Fixture fixture;
    plugTwentyDevices(fixture);
    DeviceTable table;
    OfflineWebServices web;
    UsbWatcher watcher(table, web, fixture.root.string(), fixture.db);
    std::stop_source stop;
    double watcherCpu = 0;
    double idleCpu = 0;
    std::thread watcherThread([&] {
        const double begin = threadCpuSeconds();
        watcher.run(stop.get_token());
        watcherCpu = threadCpuSeconds() - begin;
    });
    std::thread idleThread([&] {
        const double begin = threadCpuSeconds();
        while (platform::SleepFor(stop.get_token(), UsbWatcher::kPeriod)) {
        }
        idleCpu = threadCpuSeconds() - begin;
    });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop.request_stop();
    watcherThread.join();
    idleThread.join();
    const double watcherShare = 100.0 * watcherCpu / seconds;
    const double idleShare = 100.0 * idleCpu / seconds;
    std::printf("USB watcher, %d devices (%d phones), %d s:\n", 20, table.count(), seconds);
    std::printf("  watcher CPU:           %8.4f %% of one core (goal < 0.5 %%)\n", watcherShare);
    std::printf("  idle 300 ms sleeper:   %8.4f %% of one core\n", idleShare);
    std::printf("  ratio watcher / idle:  %8.1f\n", idleShare > 0 ? watcherShare / idleShare : 0);
}

// Milliseconds from each plug to the moment `detect` reports it; `detect` waits up to 5 s.
template <typename Detect>
std::vector<double> plugLatencies(const Fixture& fixture, int plugs, Detect&& detect) {
    std::vector<double> latencies;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pause(0, 299);
    for (int i = 0; i < plugs; ++i) {
        // A random phase against the 300 ms rhythm, as a hand plugging a cable has.
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        const auto plugged = Clock::now();
        fixture.plug("3-1", "04e8", "6860");
        auto seen = detect(true);
        latencies.push_back(std::chrono::duration<double, std::milli>(seen - plugged).count());
        fixture.unplug("3-1");
        detect(false);
    }
    std::sort(latencies.begin(), latencies.end());
    return latencies;
}

// Waits for an Arrived or Removed event from the watcher's table.
class EventWaiter {
public:
    explicit EventWaiter(DeviceTable& table) {
        table.setEventHandler([this](DeviceEvent event, int) {
            std::lock_guard guard(m_lock);
            m_last = event;
            m_at = Clock::now();
            ++m_count;
            m_changed.notify_all();
        });
    }
    Clock::time_point wait(bool arrived) {
        std::unique_lock guard(m_lock);
        m_changed.wait_for(guard, 5s, [&] {
            return m_count > m_seen &&
                   m_last == (arrived ? DeviceEvent::Arrived : DeviceEvent::Removed);
        });
        m_seen = m_count;
        return m_at;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    DeviceEvent m_last = DeviceEvent::MonitorRunning;
    Clock::time_point m_at;
    int m_count = 0;
    int m_seen = 0;
};

void printLatencies(const char* name, const std::vector<double>& latencies) {
    std::printf("  %-22s median %7.1f ms, worst %7.1f ms\n", name, latencies[latencies.size() / 2],
                latencies.back());
}

// Baseline: a bare 300 ms loop that only looks whether the device folder exists and raises
// the same events through a table of its own.
std::vector<double> bareLatencies(const Fixture& fixture, int plugs) {
    DeviceTable table;
    EventWaiter waiter(table);
    std::stop_source stop;
    std::thread poller([&] {
        const std::string folder = (fixture.devices / "3-1").string();
        bool present = false;
        do {
            struct stat info;
            const bool now = ::stat(folder.c_str(), &info) == 0;
            if (now != present) {
                present = now;
                present ? table.Add("04E8", "6860", "") : table.Remove("04E8", "6860");
            }
        } while (platform::SleepFor(stop.get_token(), UsbWatcher::kPeriod));
    });
    std::vector<double> latencies =
        plugLatencies(fixture, plugs, [&](bool arrived) { return waiter.wait(arrived); });
    stop.request_stop();
    poller.join();
    return latencies;
}

void measureLatency(int plugs) {
    Fixture fixture;
    plugTwentyDevices(fixture);
    DeviceTable table;
    OfflineWebServices web;
    UsbWatcher watcher(table, web, fixture.root.string(), fixture.db);
    EventWaiter waiter(table);
    std::stop_source stop;
    std::thread watcherThread([&] { watcher.run(stop.get_token()); });
    std::this_thread::sleep_for(500ms); // the 20 devices are known before the first plug
    std::vector<double> ours =
        plugLatencies(fixture, plugs, [&](bool arrived) { return waiter.wait(arrived); });
    stop.request_stop();
    watcherThread.join();

    std::vector<double> bare = bareLatencies(fixture, plugs);
    std::printf("Plug to event, %d plugs:\n", plugs);
    printLatencies("USB watcher:", ours);
    printLatencies("bare 300 ms poll:", bare);
    std::printf("  median ratio:          %7.2f (goal: watcher median < 350 ms)\n",
                bare[bare.size() / 2] > 0 ? ours[ours.size() / 2] / bare[bare.size() / 2] : 0);
}

bool intArgument(int argc, char* argv[], const char* name, int& value) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            const char* text = argv[i + 1];
            auto [end, ec] = std::from_chars(text, text + std::strlen(text), value);
            return ec == std::errc() && *end == '\0' && value > 0;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    int seconds = 60;
    int plugs = 50;
    if (!intArgument(argc, argv, "--seconds", seconds) ||
        !intArgument(argc, argv, "--plugs", plugs)) {
        std::fprintf(stderr, "usage: bench_usb_monitor [--seconds N] [--plugs N]\n");
        return 2;
    }
    measureCpu(seconds);
    measureLatency(plugs);
    return 0;
}
