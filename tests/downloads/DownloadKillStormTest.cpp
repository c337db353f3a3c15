// penlow-cli downloads killed with SIGKILL at random moments, many of them in their first
// second and some just before or after the file completes, then run to their end: every file
// arrives byte-identical, under its own name, with no numbered copy and no partial file left.
// The counts are small for CI; PENLOW_KILL_DOWNLOADS, PENLOW_KILL_KILLS and PENLOW_KILL_SEED
// scale and repeat a run by hand.
#include "FileServer.h"
#include "TempDir.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <charconv>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

using testsupport::FileServer;
using testsupport::Md5Hex;
using testsupport::TempDir;

namespace {

int Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    int number = 0;
    if (value == nullptr ||
        std::from_chars(value, value + std::strlen(value), number).ec != std::errc() ||
        number <= 0) {
        return fallback;
    }
    return number;
}

class DownloadKillStorm : public ::testing::Test {
protected:
    DownloadKillStorm() {
        const char* folder = std::getenv("PENLOW_PROGRAM_DIR");
        std::string engine = std::string(folder ? folder : ".") + "/download_engine.so";
        std::filesystem::create_symlink(engine, m_program.file("download_engine.so"));
    }

    std::vector<std::string> Argv(const std::string& url) const {
        return {"sh",
                "-c",
                "exec \"$0\" \"$@\" >/dev/null 2>&1",
                PENLOW_CLI,
                "--program-folder",
                m_program.path(),
                "download",
                url,
                m_folder};
    }

    /// Starts a download and kills it after `delay`; false when it could not be started.
    bool RunAndKill(const std::string& url, std::chrono::milliseconds delay) {
        platform::ChildProcess process;
        if (!process.start(Argv(url), false)) {
            return false;
        }
        std::this_thread::sleep_for(delay);
        kill(process.pid(), SIGKILL);
        process.wait();
        return true;
    }

    /// Runs a download to its end; its exit code.
    int RunToEnd(const std::string& url) {
        platform::ChildProcess process;
        if (!process.start(Argv(url), false)) {
            return -1;
        }
        int status = process.wait();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir m_program;
    TempDir m_served;
    TempDir m_target;
    std::string m_folder = m_target.path() + "/out";
};

TEST_F(DownloadKillStorm, KilledDownloadsEndAsWholeFilesWithoutCopiesOrLeftovers) {
    const int downloads = Setting("PENLOW_KILL_DOWNLOADS", 3);
    const int killsEach = Setting("PENLOW_KILL_KILLS", 5);
    const unsigned seed = static_cast<unsigned>(
        Setting("PENLOW_KILL_SEED", static_cast<int>(std::random_device{}() & 0x7fffffff)));
    std::printf("kill storm: %d downloads, %d kills each, seed %u\n", downloads, killsEach, seed);
    std::mt19937 random(seed);
    // About 1.3 seconds per whole download at the served rate.
    constexpr std::size_t kSize = 400 * 1024;
    std::vector<std::string> contents;
    for (int i = 0; i < downloads; ++i) {
        contents.push_back(testsupport::PatternBytes(kSize, static_cast<unsigned>(i + 1)));
        testsupport::WriteFile(m_served.file("f" + std::to_string(i) + ".apk"), contents.back());
    }
    FileServer server(m_served.path());
    ASSERT_TRUE(server.ok());

    std::uniform_int_distribution<int> early(0, 400);
    std::uniform_int_distribution<int> anywhere(0, 1800);
    int kills = 0;
    for (int i = 0; i < downloads; ++i) {
        const std::string url = server.url("f" + std::to_string(i) + ".apk?rate=300000");
        for (int k = 0; k < killsEach; ++k) {
            // Half of the kills land in the first moments: before the task exists, between its
            // creation and its first byte, or in its first progress.
            const int ms = k % 2 == 0 ? early(random) : anywhere(random);
            ASSERT_TRUE(RunAndKill(url, std::chrono::milliseconds(ms)));
            ++kills;
        }
        ASSERT_EQ(RunToEnd(url), 0) << url;
    }
    std::printf("kill storm: %d kills\n", kills);

    for (int i = 0; i < downloads; ++i) {
        const std::string path = m_folder + "/f" + std::to_string(i) + ".apk";
        EXPECT_EQ(Md5Hex(testsupport::ReadFile(path)), Md5Hex(contents[i])) << path;
    }
    for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find('('), std::string::npos) << "a numbered copy: " << name;
        EXPECT_EQ(name.find(".pdltmp"), std::string::npos) << "a partial file left: " << name;
    }
}

} // namespace
