// CKivDownQueue and CKivDownObj with the real engine, the devservices file server and a real
// DownData.db: completion, the limit, pause and resume, the connecting and stall rules, and
// continuing a saved download.
#include "QueueTestSupport.h"

#include "downloads/CMiniDlLib.h"

#include <sys/stat.h>

#include <filesystem>
#include <thread>
#include <vector>

using namespace queuetest;
using testsupport::Md5Hex;

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST_F(QueueTest, DownloadsToCompletionAndRecordsTheFinishedFile) {
    EventRecorder events; // outlives the queue
    EventRecorder second;
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    EXPECT_TRUE(Exists(m_program.file("data/DownData.db")));
    CKivDownObj* task = queue.AddNewTask(Url(), m_folder, true, EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(queue.EnqueueTask(task), -1); // already queued
    ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
    EXPECT_EQ(events.finishedPath(), m_folder + "usb_driver.zip");
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
    EXPECT_TRUE(WaitForState(queue, task, QueueState::Completed));
    EXPECT_EQ(queue.ActiveCount(), 0);
    for (const ProgressRecord& record : events.progress()) {
        EXPECT_EQ(record.fileSize, kFileSize);
        EXPECT_LE(record.received, kFileSize);
    }

    DownDataDatabase* db = queue.Database();
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(db->listDownloading().empty());
    auto finished = db->listDownloaded();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].id, 0);
    EXPECT_EQ(finished[0].saved.fileSize, kFileSize);
    EXPECT_EQ(queue.FindFinished(Url(), m_folder), m_folder + "usb_driver.zip");

    EXPECT_EQ(queue.RemoveTask(task), 0); // stops and forgets the finished engine task
    auto deadline = std::chrono::steady_clock::now() + kWait;
    while (queue.StateOf(task) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(queue.StateOf(task)); // the scheduler deleted it
    ASSERT_NE(queue.AddNewTask(Url(), m_folder, true, EventRecorder::Callback, &second), nullptr);
    ASSERT_TRUE(second.waitFor(TaskEvent::Finished));
    EXPECT_EQ(second.finishedPath(), m_folder + "usb_driver(1).zip");
    EXPECT_EQ(db->listDownloaded().at(1).id, 1);
}

TEST_F(QueueTest, WithALimitOfTwoTheNextTaskStartsWhenOneIsRemoved) {
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(false), 0);
    queue.SetLimit(2);
    std::vector<CKivDownObj*> tasks;
    for (int i = 0; i < 5; ++i) {
        tasks.push_back(
            queue.AddNewTask(Url("?rate=20000&n=" + std::to_string(i)), m_folder, true));
        ASSERT_NE(tasks.back(), nullptr);
    }
    ASSERT_TRUE(WaitForState(queue, tasks[1], QueueState::Running));
    ASSERT_TRUE(WaitForState(queue, tasks[0], QueueState::Running));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // several scheduler rounds
    EXPECT_EQ(queue.ActiveCount(), 2);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(queue.StateOf(tasks[i]), QueueState::Waiting) << i;
    }

    auto removed = std::chrono::steady_clock::now();
    EXPECT_EQ(queue.RemoveTask(tasks[0]), 0);
    EXPECT_EQ(queue.RemoveTask(tasks[0]), -1); // already being removed
    ASSERT_TRUE(WaitForState(queue, tasks[2], QueueState::Running));
    auto delay = std::chrono::steady_clock::now() - removed;
    std::printf("next task started %lld ms after the removal\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(delay).count()));
    EXPECT_EQ(queue.ActiveCount(), 2);
    EXPECT_EQ(queue.StateOf(tasks[3]), QueueState::Waiting);
}

TEST_F(QueueTest, ATaskThatCannotConnectReportsConnectingOnceThenGivesUp) {
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    CKivDownObj* task =
        queue.AddNewTask(Url("?hang=1"), m_folder, true, EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    ASSERT_TRUE(events.waitFor(TaskEvent::NoConnection));
    EXPECT_EQ(events.kinds(),
              (std::vector<TaskEvent>{TaskEvent::Connecting, TaskEvent::NoConnection}));
    EXPECT_TRUE(WaitForState(queue, task, QueueState::Stopped));
    EXPECT_EQ(queue.ActiveCount(), 0);
    // The task forgets its engine task right after the event.
    auto deadline = std::chrono::steady_clock::now() + kWait;
    while (task->TaskId() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(task->TaskId(), -1);
    EXPECT_EQ(queue.RemoveTask(task), -1);
}

TEST_F(QueueTest, AStalledTransferFailsAfterTwentyPollsAndCanBeContinued) {
    EventRecorder events; // outlives the queue
    EventRecorder resumed;
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    CKivDownObj* task =
        queue.AddNewTask(Url("?stall=100000"), m_folder, true, EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    ASSERT_TRUE(events.waitFor(TaskEvent::Failed));
    std::vector<ProgressRecord> progress = events.progress();
    ASSERT_GE(progress.size(), 20u);
    EXPECT_EQ(progress.back().received, 100000u);
    int idle = 0;
    for (auto it = progress.rbegin(); it != progress.rend() && it->transferred == 0; ++it) {
        ++idle;
    }
    EXPECT_EQ(idle, CKivDownObj::kStallPolls);
    // The stall is the owner's business: the queue hears of it through RemoveTask, which
    // saves the progress so that the download can be continued.
    EXPECT_EQ(queue.StateOf(task), QueueState::Running);
    queue.RemoveTask(task);
    EXPECT_EQ(queue.ActiveCount(), 0);
    EXPECT_EQ(queue.FindContinuable(Url("?stall=100000")), m_folder + "usb_driver.zip");

    CKivDownObj* again =
        queue.ContinueTask(Url("?stall=100000"), "", "", false, EventRecorder::Callback, &resumed);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Received(), 100000u); // from the saved row
    EXPECT_EQ(queue.EnqueueTask(again), 0);
    ASSERT_TRUE(resumed.waitFor(TaskEvent::Finished));
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
}

TEST_F(QueueTest, PausingAWaitingTaskKeepsItOutUntilResumed) {
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(false), 0);
    queue.SetLimit(1);
    CKivDownObj* running = queue.AddNewTask(Url("?rate=20000"), m_folder, true);
    CKivDownObj* waiting =
        queue.AddNewTask(Url("?n=2"), m_folder, true, EventRecorder::Callback, &events);
    ASSERT_TRUE(WaitForState(queue, running, QueueState::Running));
    EXPECT_EQ(queue.StateOf(waiting), QueueState::Waiting);
    EXPECT_EQ(queue.PauseTask(waiting), 0);
    EXPECT_EQ(queue.StateOf(waiting), QueueState::Paused);
    EXPECT_EQ(queue.ActiveCount(), 1);

    queue.RemoveTask(running);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(queue.StateOf(waiting), QueueState::Paused);
    EXPECT_TRUE(events.kinds().empty());

    EXPECT_EQ(queue.ResumeTask(waiting), 0);
    ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(events.finishedPath())), Md5Hex(m_content));
}

TEST_F(QueueTest, PausingARunningTaskHoldsItAndResumeFinishesIt) {
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(false), 0);
    CKivDownObj* task =
        queue.AddNewTask(Url("?rate=200000"), m_folder, true, EventRecorder::Callback, &events);
    ASSERT_TRUE(events.waitForReceived(40000));
    ASSERT_EQ(queue.PauseTask(task), 0);
    EXPECT_EQ(queue.StateOf(task), QueueState::Paused);
    EXPECT_EQ(queue.ActiveCount(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::size_t eventsWhilePaused = events.kinds().size();
    std::uint64_t received = task->Received();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(events.kinds().size(), eventsWhilePaused); // the polling thread is held
    EXPECT_EQ(task->Received(), received);
    EXPECT_LT(received, kFileSize);

    EXPECT_EQ(queue.ResumeTask(task), 0);
    ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
    EXPECT_EQ(queue.ActiveCount(), 0);
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
    EXPECT_EQ(events.count(TaskEvent::Failed), 0);
}

TEST_F(QueueTest, ContinueRefusesAUrlThatIsAlreadyQueuedInAnyLetterCase) {
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(false), 0);
    std::string url = Url("?rate=20000");
    ASSERT_NE(queue.AddNewTask(url, m_folder, true), nullptr);
    std::string shouted = url;
    for (char& c : shouted) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(queue.ContinueTask(shouted, m_folder, "usb_driver.zip", true), nullptr);
    EXPECT_EQ(queue.ContinueTask(url, m_folder, "usb_driver.zip", true), nullptr);
}

TEST_F(QueueTest, AQueueShutDownMidwaySavesTheDownloadForTheNextOne) {
    {
        EventRecorder first; // outlives the queue
        CKivDownQueue queue;
        ASSERT_EQ(queue.Init(true), 0);
        ASSERT_NE(
            queue.AddNewTask(Url("?rate=200000"), m_folder, true, EventRecorder::Callback, &first),
            nullptr);
        ASSERT_TRUE(first.waitForReceived(100000));
    }
    EXPECT_FALSE(Exists(m_folder + "usb_driver.zip"));
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    // A continuable download is never started afresh.
    EXPECT_EQ(queue.AddNewTask(Url("?rate=200000"), m_folder, true), nullptr);
    CKivDownObj* task =
        queue.ContinueTask(Url("?rate=200000"), "", "", false, EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->Folder(), m_folder);
    EXPECT_GE(task->Received(), 100000u); // from the saved row
    EXPECT_EQ(queue.EnqueueTask(task), 0);
    ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
    ASSERT_FALSE(events.progress().empty());
    EXPECT_GE(events.progress().front().received, 100000u);
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
    EXPECT_EQ(queue.Database()->listDownloaded().size(), 1u);
}

TEST_F(QueueTest, ASavedDownloadWhoseTemporaryFileIsGoneStartsAgain) {
    {
        EventRecorder first; // outlives the queue
        CKivDownQueue queue;
        ASSERT_EQ(queue.Init(true), 0);
        queue.AddNewTask(Url("?rate=200000"), m_folder, true, EventRecorder::Callback, &first);
        ASSERT_TRUE(first.waitForReceived(50000));
    }
    std::remove((m_folder + "usb_driver.zip.pdltmp").c_str());
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    ASSERT_TRUE(queue.FindContinuable(Url("?rate=200000")));
    EXPECT_EQ(queue.ContinueTask(Url("?rate=200000"), "", "", true), nullptr);
    EXPECT_FALSE(queue.FindContinuable(Url("?rate=200000"))); // the row went
    EXPECT_TRUE(queue.Database()->listDownloading().empty());
    ASSERT_NE(queue.AddNewTask(Url(), m_folder, true, EventRecorder::Callback, &events), nullptr);
    ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
    EXPECT_EQ(Md5Hex(Downloaded("usb_driver.zip")), Md5Hex(m_content));
}

TEST_F(QueueTest, AnErrorStatusFailsTheTaskAndStopsIt) {
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    CKivDownObj* task = queue.AddNewTask(m_server.url("drivers/missing.zip"), m_folder, true,
                                         EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    ASSERT_TRUE(events.waitFor(TaskEvent::Failed));
    EXPECT_TRUE(WaitForState(queue, task, QueueState::Stopped));
    EXPECT_EQ(queue.ActiveCount(), 0);
    EXPECT_FALSE(Exists(m_folder + "missing.zip"));
}

TEST_F(QueueTest, AnIconQueueFailsAnOversizedOrNonImageFileAndKeepsNothing) {
    testsupport::WriteFile(m_served.file("icons/a.png"), testsupport::PatternBytes(2048, 3));
    testsupport::WriteFile(m_served.file("icons/huge.png"),
                           testsupport::PatternBytes(3 * 1024 * 1024, 4));
    EventRecorder refused[2]; // these outlive the queue: a task may still be in its callback
    EventRecorder events;
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(false), 0);
    queue.SetTaskType(DE_TASK_TYPE_ICON);
    int next = 0;
    for (const char* path : {"icons/huge.png", "icons/a.png?type=text/html"}) {
        EventRecorder& events = refused[next++];
        CKivDownObj* task =
            queue.AddNewTask(m_server.url(path), m_folder, true, EventRecorder::Callback, &events);
        ASSERT_NE(task, nullptr) << path;
        ASSERT_TRUE(events.waitFor(TaskEvent::Failed)) << path;
        EXPECT_EQ(events.lastFailure(), DownloadFailure::ServerError) << path;
        (void)queue.RemoveTask(task);
    }
    CKivDownObj* task = queue.AddNewTask(m_server.url("icons/a.png"), m_folder, true,
                                         EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    ASSERT_TRUE(events.waitFor(TaskEvent::Finished));
    (void)queue.RemoveTask(task);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"a.png"});
}

TEST_F(QueueTest, RefusesWhatCannotBecomeATask) {
    EventRecorder events; // outlives the queue
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    EXPECT_EQ(queue.AddNewTask("no-slash", m_folder, true), nullptr);
    EXPECT_EQ(queue.AddNewTask("", m_folder, true), nullptr);
    EXPECT_EQ(queue.AddNewTask(Url(), "", true), nullptr);
    EXPECT_EQ(queue.ContinueTask(Url(), "", "", true), nullptr); // nothing saved
    EXPECT_EQ(queue.EnqueueTask(nullptr), -2);
    CKivDownObj stranger;
    EXPECT_EQ(queue.EnqueueTask(&stranger), -2);
    EXPECT_EQ(queue.PauseTask(&stranger), -1);
    EXPECT_EQ(queue.ResumeTask(&stranger), -1);
    EXPECT_EQ(queue.RemoveTask(&stranger), -1);
    // A hostile URL still names a file inside the target folder.
    CKivDownObj* task = queue.AddNewTask(m_server.url("drivers/..%2F..%2Fx/.."), m_folder, true,
                                         EventRecorder::Callback, &events);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->FileName(), "__");
    EXPECT_EQ(task->Folder(), m_folder);
}

} // namespace

namespace {

TEST_F(QueueTest, ANewDownloadIsContinuableBeforeItsFirstByte) {
    const std::string url = Url("?rate=100000");
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    ASSERT_NE(queue.AddNewTask(url, m_folder, false), nullptr); // never started
    EXPECT_EQ(queue.FindContinuable(url), m_folder + "usb_driver.zip");
    ASSERT_EQ(queue.Database()->listDownloading().size(), 1u);
    EXPECT_EQ(queue.Database()->listDownloading()[0].saved.fileName, "usb_driver.zip");
    EXPECT_EQ(queue.AddNewTask(url, m_folder, false), nullptr); // continue it, not a copy
}

TEST_F(QueueTest, AFileRenamedJustBeforeAKillIsFoundFinished) {
    const std::string url = Url();
    CKivDownQueue queue;
    ASSERT_EQ(queue.Init(true), 0);
    DownDataDatabase& db = *queue.Database();
    // What a process killed between the engine's rename and the database update leaves.
    db.registerDownload(url, m_folder);
    db.saveProgress(url, SavedDownload{m_folder, "usb_driver.zip", kFileSize, kFileSize / 2});
    testsupport::WriteFile(m_folder + "usb_driver.zip", m_content);
    // Another folder, or a file of another size, is not that download.
    EXPECT_FALSE(queue.FindFinished(url, m_folder + "other/"));
    testsupport::WriteFile(m_folder + "usb_driver.zip", m_content.substr(1));
    EXPECT_FALSE(queue.FindFinished(url, m_folder));

    testsupport::WriteFile(m_folder + "usb_driver.zip", m_content);
    EXPECT_EQ(queue.FindFinished(url, m_folder), m_folder + "usb_driver.zip");
    EXPECT_TRUE(db.listDownloading().empty());
    ASSERT_EQ(db.listDownloaded().size(), 1u);
    EXPECT_EQ(db.listDownloaded()[0].saved.fileSize, kFileSize);
}

} // namespace
