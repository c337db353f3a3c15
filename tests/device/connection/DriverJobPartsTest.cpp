// The driver job's course with stand-in collaborators: what it asks the web service, the queue
// and the installer, in which order, and what the wizard hears. The whole job against the real
// service, engine and installer runs in DriverJobTest.
#include "device/connection/DriverJob.h"
#include "device/connection/DriverJobs.h"

#include "platform/Interruptible.h"
#include "platform/StopScope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

// What the stand-ins were asked, and what the wizard heard, as text lines.
class JobLog {
public:
    void add(const std::string& line) {
        std::lock_guard guard(m_lock);
        m_lines.push_back(line);
        m_changed.notify_all();
    }
    bool waitFor(const std::string& line, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] {
            return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
        });
    }
    std::vector<std::string> lines() {
        std::lock_guard guard(m_lock);
        return m_lines;
    }
    void clear() {
        std::lock_guard guard(m_lock);
        m_lines.clear();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
};

DriverProgressCallback wizard(JobLog& log) {
    return [&log](const DriverProgress& progress, std::stop_token) {
        std::string line = "wizard " + std::to_string(static_cast<int>(progress.code));
        if (progress.code == DriverJobCode::Downloading) {
            line += " " + std::to_string(progress.percent);
        } else if (!progress.message.empty()) {
            line += " " + progress.message;
        }
        log.add(line);
    };
}

int g_download = 0; // the handle the stand-in queue gives: its address

class DriverJobPartsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_parts.lookUp = [this](const std::string& vid, const std::string& pid,
                                DriverPackage& package) {
            m_log.add("lookUp " + vid + " " + pid);
            package = {"http://files/usb.zip", "abc", "setup.sh", false, true};
            return m_known;
        };
        m_parts.openQueue = [this] {
            m_log.add("openQueue");
            return m_queueOpens;
        };
        m_parts.findFinished = [this](const std::string& url, const std::string&) {
            m_log.add("findFinished " + url);
            return m_finished;
        };
        m_parts.startDownload = [this](const std::string& url, const std::string& folder,
                                       std::uint64_t jobId,
                                       DriverNewsSink news) -> DriverDownloadHandle {
            m_jobId = jobId; // before the line the test waits for
            {
                std::lock_guard guard(m_newsLock);
                m_news = std::move(news);
            }
            m_log.add("startDownload " + url + (folder.ends_with("/download/devices/") ? "" : "?"));
            return m_downloadStarts ? &g_download : nullptr;
        };
        m_parts.removeDownload = [this](DriverDownloadHandle download) {
            m_log.add(download == &g_download ? "removeDownload" : "removeDownload ?");
        };
        m_parts.install = [this](DriverJob& job, const std::string& archive) {
            m_log.add("install " + archive + " " + job.package().md5);
            return std::optional<DriverProgress>(DriverProgress{DriverJobCode::Installed, 0, {}});
        };
    }
    void TearDown() override { m_jobs.reset(); }

    DriverJobs& jobs() {
        if (!m_jobs) {
            m_jobs = std::make_unique<DriverJobs>(m_parts);
        }
        return *m_jobs;
    }
    void start() { ASSERT_TRUE(jobs().start("18d1x", "4ee2", wizard(m_log))); }
    // The news sink of the last download started.
    DriverNewsSink news() {
        std::lock_guard guard(m_newsLock);
        return m_news;
    }
    bool waitForThreads() { return jobs().waitForThreads(5s); }

    DriverJobParts m_parts;
    JobLog m_log;
    bool m_known = true;
    bool m_queueOpens = true;
    bool m_downloadStarts = true;
    std::optional<std::string> m_finished;
    std::atomic<std::uint64_t> m_jobId{0}; // set on the job thread
    std::mutex m_newsLock;
    DriverNewsSink m_news; // guarded by m_newsLock; set on the job thread
    std::unique_ptr<DriverJobs> m_jobs;
};

} // namespace

TEST_F(DriverJobPartsTest, AnUnknownPhoneEndsAfterTheLookupAsRetryable) {
    m_known = false;
    start();
    ASSERT_TRUE(m_log.waitFor("wizard 3 驱动查找失败"));
    ASSERT_TRUE(waitForThreads());
    EXPECT_EQ(m_log.lines(),
              (std::vector<std::string>{"wizard 0", "lookUp 18d1 4ee2", "wizard 3 驱动查找失败"}));
}

TEST_F(DriverJobPartsTest, AFinishedPackageIsInstalledWithoutADownload) {
    m_finished = "/docs/usb.zip";
    start();
    ASSERT_TRUE(m_log.waitFor("wizard 4"));
    ASSERT_TRUE(waitForThreads());
    EXPECT_EQ(m_log.lines(), (std::vector<std::string>{"wizard 0", "lookUp 18d1 4ee2", "openQueue",
                                                       "findFinished http://files/usb.zip",
                                                       "install /docs/usb.zip abc", "wizard 4"}));
}

TEST_F(DriverJobPartsTest, TheDownloadsNewsCarryTheJobOnToTheInstall) {
    start();
    ASSERT_TRUE(m_log.waitFor("startDownload http://files/usb.zip"));
    ASSERT_TRUE(waitForThreads());
    const DriverNewsSink replaced = news();
    m_log.clear();
    start(); // replaces the first job: its download's news are not the new job's
    ASSERT_TRUE(m_log.waitFor("startDownload http://files/usb.zip"));
    ASSERT_TRUE(waitForThreads());
    const DriverNewsSink current = news();
    current({DriverDownloadNews::Kind::Progress, 0, 0, {}});
    current({DriverDownloadNews::Kind::Progress, 512, 1024, {}});
    replaced({DriverDownloadNews::Kind::Progress, 1, 1, {}});
    replaced({DriverDownloadNews::Kind::Finished, 0, 0, "/d/old.zip"});
    current({DriverDownloadNews::Kind::Finished, 0, 0, "/d/usb.zip"});
    ASSERT_TRUE(m_log.waitFor("wizard 4"));
    ASSERT_TRUE(waitForThreads());
    const std::vector<std::string> lines = m_log.lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "removeDownload"); // the replaced job's download
    const std::vector<std::string> tail(lines.begin() + 6, lines.end());
    // The unknown size says nothing, the replaced job's news are not this job's; the download
    // is removed when the job ends.
    EXPECT_EQ(tail, (std::vector<std::string>{"wizard 1 50", "install /d/usb.zip abc",
                                              "removeDownload", "wizard 4"}));
}

TEST_F(DriverJobPartsTest, AFailedDownloadEndsRetryableAndCancelSilencesLateNews) {
    start();
    ASSERT_TRUE(m_log.waitFor("startDownload http://files/usb.zip"));
    ASSERT_TRUE(waitForThreads()); // the job holds its download now
    news()({DriverDownloadNews::Kind::Failed, 0, 0, {}});
    ASSERT_TRUE(m_log.waitFor("wizard 3 驱动下载失败"));
    news()({DriverDownloadNews::Kind::Finished, 0, 0, "/d/usb.zip"});
    ASSERT_TRUE(waitForThreads());
    std::vector<std::string> lines = m_log.lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"removeDownload", "wizard 3 驱动下载失败"}));

    m_log.clear();
    start();
    ASSERT_TRUE(m_log.waitFor("startDownload http://files/usb.zip"));
    ASSERT_TRUE(waitForThreads());
    jobs().cancel();
    EXPECT_TRUE(m_log.waitFor("removeDownload", 0s));
    news()({DriverDownloadNews::Kind::Progress, 1, 2, {}});
    news()({DriverDownloadNews::Kind::Finished, 0, 0, "/d/usb.zip"});
    ASSERT_TRUE(waitForThreads());
    EXPECT_EQ(m_log.lines().back(), "removeDownload");
}

TEST_F(DriverJobPartsTest, AQueueThatFailsEndsTheJobAsFailed) {
    m_queueOpens = false;
    start();
    ASSERT_TRUE(m_log.waitFor("wizard 5 驱动下载失败"));
    ASSERT_TRUE(waitForThreads());
    EXPECT_EQ(m_log.lines().size(), 4u);

    m_log.clear();
    m_queueOpens = true;
    m_downloadStarts = false;
    start();
    ASSERT_TRUE(m_log.waitFor("wizard 5 驱动下载失败"));
    ASSERT_TRUE(waitForThreads());
    EXPECT_EQ(m_log.lines().size(), 6u);
}

TEST_F(DriverJobPartsTest, WithoutCompletePartsNoJobStarts) {
    m_parts.removeDownload = nullptr;
    EXPECT_FALSE(DriverJobs(m_parts).start("18d1", "4ee2", wizard(m_log)));
    EXPECT_FALSE(DriverJobs({}).start("18d1", "4ee2", wizard(m_log)));
    EXPECT_TRUE(m_log.lines().empty());
}

TEST_F(DriverJobPartsTest, StoppingEndsALookupBlockedOnTheThreadsStopToken) {
    m_parts.lookUp = [this](const std::string&, const std::string&, DriverPackage&) {
        m_log.add("lookUp");
        // As a socket conversation does: it ends when the thread's stop token is stopped.
        const bool answered = platform::SleepFor(platform::CurrentStopToken(), 60s);
        m_log.add(answered ? "answered" : "stopped");
        return answered;
    };
    start();
    ASSERT_TRUE(m_log.waitFor("lookUp"));
    const auto asked = std::chrono::steady_clock::now();
    jobs().stop();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_EQ(m_log.lines(), (std::vector<std::string>{"wizard 0", "lookUp", "stopped"}));
}
