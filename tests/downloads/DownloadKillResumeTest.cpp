// A download process killed at any moment loses nothing and never leaves a half file under the
// final name; a full disk ends the download with its failure event. The process is
// download_test_helper; the continuation runs in this test with a queue on the same database.
#include "QueueTestSupport.h"

#include "download_engine.h"
#include "platform/ChildProcess.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <charconv>
#include <optional>

using namespace queuetest;
using testsupport::Md5Hex;

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

/// download_test_helper as a child process whose output is read line by line.
class Helper {
public:
    explicit Helper(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {DOWNLOAD_TEST_HELPER};
        argv.insert(argv.end(), args.begin(), args.end());
        m_started = m_process.start(argv, true);
    }
    ~Helper() {
        if (m_started && !m_process.hasExited()) {
            kill(m_process.pid(), SIGKILL);
        }
        if (m_started) {
            m_process.wait();
        }
    }

    /// The next line of output, or nullopt at the end or after `timeout`.
    std::optional<std::string> line(std::chrono::milliseconds timeout = kWait) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_buffer.find('\n') == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            char chunk[256];
            long n = left.count() > 0 ? m_process.readSome(chunk, sizeof chunk, left) : -2;
            if (n <= 0) {
                return std::nullopt;
            }
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
        std::size_t end = m_buffer.find('\n');
        std::string text = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 1);
        return text;
    }

    /// Reads lines until one starts with `prefix` (and, for "progress", has received at least
    /// `atLeast`); that line, or nullopt.
    std::optional<std::string> waitFor(const std::string& prefix, std::uint64_t atLeast = 0) {
        while (auto text = line()) {
            if (text->rfind(prefix, 0) != 0) {
                continue;
            }
            std::uint64_t received = 0;
            const char* begin = text->data() + prefix.size() + 1;
            std::from_chars(begin, text->data() + text->size(), received);
            if (prefix != "progress" || received >= atLeast) {
                return text;
            }
        }
        return std::nullopt;
    }

    void killNow() { kill(m_process.pid(), SIGKILL); }
    /// The exit code (-1 when killed by a signal).
    int wait() {
        int status = m_process.wait();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    platform::ChildProcess m_process;
    bool m_started = false;
    std::string m_buffer;
};

class KillResume : public QueueTest {
protected:
    /// Downloads `url` in a helper until about half has arrived and kills it there.
    void KillHalfway(const std::string& url) {
        Helper helper({m_program.path(), url, m_folder, "--poll-ms", "50"});
        ASSERT_TRUE(helper.waitFor("progress", kFileSize / 2)) << "no progress from the helper";
        helper.killNow();
        helper.wait();
        // Killed: the final name does not exist, the temporary file keeps what arrived.
        EXPECT_FALSE(Exists(m_folder + "usb_driver.zip"));
        struct stat st;
        ASSERT_EQ(stat((m_folder + "usb_driver.zip.pdltmp").c_str(), &st), 0);
        EXPECT_GE(static_cast<std::uint64_t>(st.st_size), kFileSize / 2);
    }

    /// Continues the saved download in this process; its events.
    void Continue(const std::string& url, EventRecorder& events) {
        CKivDownQueue queue;
        ASSERT_EQ(queue.Init(true), 0);
        ASSERT_EQ(queue.FindContinuable(url), m_folder + "usb_driver.zip");
        ASSERT_NE(queue.ContinueTask(url, "", "", true, EventRecorder::Callback, &events), nullptr);
        ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
        EXPECT_EQ(queue.FindFinished(url, m_folder), m_folder + "usb_driver.zip");
    }
};

TEST_F(KillResume, AKilledDownloadIsContinuedFromWhereItStopped) {
    std::string url = Url("?rate=150000");
    KillHalfway(url);
    EventRecorder events;
    Continue(url, events);
    ASSERT_FALSE(events.progress().empty());
    EXPECT_GE(events.progress().front().received, kFileSize / 2);
    std::uint64_t transferred = 0;
    for (const ProgressRecord& record : events.progress()) {
        transferred += record.transferred;
    }
    EXPECT_LE(transferred, kFileSize / 2 + 1); // only the missing part came over the network
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
    EXPECT_FALSE(Exists(m_folder + "usb_driver.zip.pdltmp"));
}

TEST_F(KillResume, KilledBeforeItsFirstProgressItIsContinuedNotCopied) {
    std::string url = Url("?rate=150000");
    {
        Helper helper({m_program.path(), url, m_folder, "--poll-ms", "50"});
        ASSERT_EQ(helper.waitFor("task"), "task " + m_folder + "usb_driver.zip");
        helper.killNow();
        helper.wait();
    }
    EventRecorder events;
    Continue(url, events);
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
    EXPECT_FALSE(Exists(m_folder + "usb_driver(1).zip"));
    EXPECT_FALSE(Exists(m_folder + "usb_driver(1).zip.pdltmp"));
    EXPECT_FALSE(Exists(m_folder + "usb_driver.zip.pdltmp"));
}

TEST_F(KillResume, AServerWithoutRangesRestartsCleanlyFromZero) {
    std::string url = Url("?rate=150000&norange=1");
    KillHalfway(url);
    EventRecorder events;
    Continue(url, events);
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
}

TEST_F(KillResume, AFullDiskIsAFailureEventNotACrash) {
    Helper helper({m_program.path(), Url(), m_folder, "--poll-ms", "50", "--disk-limit", "131072"});
    std::optional<std::string> mode = helper.waitFor("mode");
    ASSERT_TRUE(mode);
    std::optional<std::string> failed = helper.waitFor("failed");
    ASSERT_TRUE(failed) << "the helper ended without a failure event";
    EXPECT_EQ(helper.wait(), 1);
    int code = 0;
    std::from_chars(failed->data() + 7, failed->data() + failed->size(), code);
    std::printf("%s, %s\n", mode->c_str(), failed->c_str());
    // A real full disk where the system lets the helper mount one, else a refused write.
    EXPECT_EQ(code, *mode == "mode tmpfs" ? DE_FAIL_DISK_FULL : DE_FAIL_WRITE);
}

} // namespace
